// vel7m's own options, run as a user runs them: a search at start-up, a selected row, the
// details, pictured with --screenshot; and the usage for options that make no sense.

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>

#include "view_fixture.h"

namespace {

struct Outcome {
    int status = -1;
    QByteArray output;
};

Outcome Vel7m(const uitest::TempDir& settings, const uitest::TempDir& runtime,
              const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("WINDIR", QString::fromStdString(settings.Path()));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(VEL7M_EXE), args);
    Outcome run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        ADD_FAILURE() << "vel7m did not end: " << args.join(' ').toStdString();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = process.readAll();
    return run;
}

TEST(CommandLine, StartUpSearchSelectionAndDetailsArePictured) {
    TestDiscSet discs(viewtest::Family());
    uitest::TempDir settings, runtime, pictures;
    settings.Write("brisel.ini", "[Vel7m]\nVelDir=" + discs.program + "\nCDPath=" + discs.disc1 +
                                     "\nCD2Path=" + discs.disc2 + "\n");
    auto picture = [&](const std::string& name, QStringList args) {
        QString file = QString::fromStdString(pictures.File(name));
        args << "--screenshot" << file;
        Outcome run = Vel7m(settings, runtime, args);
        EXPECT_EQ(run.status, 0) << name << ": " << run.output.toStdString();
        return QImage(file);
    };
    QImage empty = picture("empty.png", {});
    QImage page = picture("page.png", {"--query", "adams"});
    QImage selected = picture("selected.png", {"--query", "adams", "--select", "3"});
    QImage details = picture("details.png", {"--query", "adams", "--details", "3"});
    for (const QImage* image : {&empty, &page, &selected, &details})
        ASSERT_EQ(image->size(), QSize(632, 453));

    EXPECT_NE(page.copy(20, 181, 582, 232), empty.copy(20, 181, 582, 232)) << "rows and count";
    // The selection: one band of inverted lines in the first column, the third row's.
    int first = -1, last = -1;
    for (int y = kListArea.top; y < kListArea.bottom; ++y) {
        QRgb shown = selected.pixel(kListColumns[0].left, y) & 0xFFFFFF;
        if (shown == (~page.pixel(kListColumns[0].left, y) & 0xFFFFFF)) {
            first = first < 0 ? y : first;
            last = y;
        } else {
            EXPECT_EQ(shown, page.pixel(kListColumns[0].left, y) & 0xFFFFFF) << y;
        }
        EXPECT_EQ(selected.pixel(145, y), page.pixel(145, y)) << "the gap stays, " << y;
    }
    const int h = last - first + 1;
    EXPECT_GT(h, 8);
    EXPECT_EQ(first, kListArea.top + 2 * h) << "the third row";
    EXPECT_NE(details, selected) << "the details dialog stands over the window";

    // Sounds like SMITH: the same SMITHs (no other surname sounds like it here), and a count
    // line that says how they were found.
    const QImage exact = picture("exact.png", {"--query", "smith"});
    for (const char* code : {"soundex", "dm"}) {
        const QImage soundsLike = picture(std::string("sounds-like-") + code + ".png",
                                          {"--query", "smith", "--sounds-like", code});
        const QRect list(kListArea.left, kListArea.top, kListArea.right - kListArea.left,
                         kListArea.bottom - kListArea.top);
        const QRect count(kCountLine.left, kCountLine.top, kCountLine.right - kCountLine.left,
                          kCountLine.bottom - kCountLine.top);
        EXPECT_EQ(soundsLike.copy(list), exact.copy(list)) << code;
        EXPECT_NE(soundsLike.copy(count), exact.copy(count)) << code;
    }
}

TEST(CommandLine, WithoutSettingsTheFirstStartIsPicturedAndNothingIsWritten) {
    uitest::TempDir settings, runtime, data, pictures;
    uitest::ScopedEnv xdgData("XDG_DATA_HOME", data.Path());  // passed on to the program
    auto picture = [&](const std::string& name) {
        const QString file = QString::fromStdString(pictures.File(name));
        Outcome run = Vel7m(settings, runtime, {"--screenshot", file});
        EXPECT_EQ(run.status, 0) << name << ": " << run.output.toStdString();
        return QImage(file);
    };
    const QImage firstStart = picture("first-start.png");
    ASSERT_FALSE(firstStart.isNull());
    EXPECT_LE(firstStart.width(), 640) << "within the window to come";
    EXPECT_LE(firstStart.height(), 480);
    EXPECT_FALSE(std::filesystem::exists(settings.File("brisel.ini")))
        << "closing the pictured dialog is quitting";
    EXPECT_TRUE(std::filesystem::is_empty(data.Path()));

    // With a settings file, however empty, start-up is as always: the window is pictured.
    settings.Write("brisel.ini", "[Vel7m]\nVelDir=" + runtime.Path() + "\n");
    EXPECT_EQ(picture("plain.png").size(), QSize(632, 453));
}

TEST(CommandLine, TellsTheProjectsVersion) {
    uitest::TempDir settings, runtime;
    Outcome run = Vel7m(settings, runtime, {"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.toStdString(), std::string("vel7m ") + VEL7M_VERSION + "\n");
}

TEST(CommandLine, OptionsThatMakeNoSenseShowTheUsage) {
    uitest::TempDir settings, runtime;
    const QStringList cases[] = {
        {"--select", "1"},                       // a row without a search
        {"--query", "smith", "--details", "0"},  // rows are 1 to 10
        {"--query", "smith", "--select", "11"},
        {"--query", "smith", "--select", "2x"},
        {"--query"},
        {"--query", "smith", "--sounds-like", "metaphone"},
        {"--sounds-like", "dm"},  // nothing to sound like
    };
    for (const QStringList& args : cases) {
        Outcome run = Vel7m(settings, runtime, args);
        EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.output.contains("usage: vel7m")) << args.join(' ').toStdString();
    }
}

}  // namespace
