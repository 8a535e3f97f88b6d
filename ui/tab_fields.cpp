#include "tab_fields.h"

int SplitTabFields(char* text, char** fields, int maxFields) {
    int count = 0;
    char* p = text;
    while (p != nullptr && count < maxFields) {
        while (*p == '\t')
            ++p;
        if (*p == '\0')
            break;
        fields[count++] = p;
        while (*p != '\0' && *p != '\t')
            ++p;
        if (*p == '\0')
            break;
        *p++ = '\0';
    }
    for (int i = count; i < maxFields; ++i)
        fields[i] = nullptr;
    return count;
}
