#include "count_line.h"

#include <cstdio>
#include <cstring>

namespace {

// One way of putting the text: one line, or two.
struct Form {
    char lines[2][CountLineText::kLength];
    int count;
};

constexpr int kMaxForms = 12;

struct Forms {
    Form forms[kMaxForms] = {};
    int count = 0;

    void Add(const char* first, const char* second = nullptr) {
        if (count == kMaxForms)
            return;
        Form& f = forms[count++];
        std::snprintf(f.lines[0], sizeof f.lines[0], "%s", first);
        f.count = 1;
        if (second != nullptr) {
            std::snprintf(f.lines[1], sizeof f.lines[1], "%s", second);
            f.count = 2;
        }
    }
};

constexpr int kNoteLength = 96;
constexpr int kMaxNotes = 5;

// What the search reached, longest form first.
int NoteForms(const CountNote& note, char (&notes)[kMaxNotes][kNoteLength]) {
    char grouped[32];
    FormatGrouped(note.surnames, grouped, sizeof grouped);
    char surnames[48];
    std::snprintf(surnames, sizeof surnames, "%s %s", grouped,
                  note.surnames == 1 ? "surname" : "surnames");
    int n = 0;
    switch (note.kind) {
        case CountKind::kPattern:
            if (note.name[0] != '\0')
                std::snprintf(notes[n++], kNoteLength, "%s: %s", note.name, surnames);
            break;
        case CountKind::kSoundex:
        case CountKind::kDaitchMokotoff:
            if (note.name[0] != '\0') {
                std::snprintf(notes[n++], kNoteLength, "sounds like %s: %s", note.name, surnames);
                std::snprintf(notes[n++], kNoteLength, "%s %s like %s", surnames,
                              note.surnames == 1 ? "sounds" : "sound", note.name);
                std::snprintf(notes[n++], kNoteLength, "%s like %s", surnames, note.name);
            }
            std::snprintf(notes[n++], kNoteLength, "sounds like: %s", surnames);
            break;
        default:
            return 0;
    }
    std::snprintf(notes[n++], kNoteLength, "%s", surnames);
    return n;
}

}  // namespace

void MakeCountNote(CountNote& note, CountKind kind, const char* typed, long surnames) {
    note = CountNote{};
    note.kind = kind;
    note.surnames = surnames;
    if (typed == nullptr)
        return;
    while (*typed == ' ' || *typed == '\t')
        ++typed;
    std::size_t n = std::strlen(typed);
    while (n > 0 && (typed[n - 1] == ' ' || typed[n - 1] == '\t'))
        --n;
    if (n >= sizeof note.name)
        n = sizeof note.name - 1;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = typed[i];
        note.name[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    note.name[n] = '\0';
}

void FormatGrouped(long value, char* out, int size) {
    if (out == nullptr || size <= 0)
        return;
    char digits[24];
    const int n = std::snprintf(digits, sizeof digits, "%ld", value < 0 ? 0L : value);
    char grouped[32];
    int g = 0;
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            grouped[g++] = ',';
        grouped[g++] = digits[i];
    }
    grouped[g] = '\0';
    std::snprintf(out, static_cast<std::size_t>(size), "%s", grouped);
}

CountLineText LayOutCountLine(const CountNote& note, long total, int width, int height,
                              int lineHeight, const std::function<int(const char*)>& measure) {
    Forms forms;
    char head[48];
    if (note.kind == CountKind::kForm) {
        std::snprintf(head, sizeof head, "%ld records found.", total < 0 ? 0L : total);
        forms.Add(head);
    } else if (note.kind == CountKind::kSearching) {
        forms.Add("Searching... press Esc to cancel.");
        forms.Add("Searching...", "Press Esc to cancel.");
        forms.Add("Searching...");
    } else {
        char count[32];
        FormatGrouped(total, count, sizeof count);
        std::snprintf(head, sizeof head, "%s records found", count);
        char sentence[64];
        std::snprintf(sentence, sizeof sentence, "%s.", head);
        char notes[kMaxNotes][kNoteLength];
        const int n = NoteForms(note, notes);
        char line[CountLineText::kLength];
        if (n > 0) {
            std::snprintf(line, sizeof line, "%s (%s).", head, notes[0]);
            forms.Add(line);
        }
        for (int i = 0; i < n; ++i)
            forms.Add(sentence, notes[i]);
        for (int i = 1; i < n; ++i) {
            std::snprintf(line, sizeof line, "%s (%s).", head, notes[i]);
            forms.Add(line);
        }
        forms.Add(sentence);
    }

    const Form* chosen = &forms.forms[forms.count - 1];
    for (int i = 0; i < forms.count; ++i) {
        const Form& f = forms.forms[i];
        bool fits = f.count * lineHeight <= height;
        for (int l = 0; l < f.count && fits; ++l)
            fits = measure(f.lines[l]) <= width;
        if (fits) {
            chosen = &f;
            break;
        }
    }
    CountLineText text;
    text.count = chosen->count;
    for (int l = 0; l < chosen->count; ++l)
        std::memcpy(text.lines[l], chosen->lines[l], sizeof text.lines[l]);
    return text;
}
