// The window against bad sources and faults during a run: each case says what the user
// sees and checks that no file is lost.
#include "window_fixture.h"

#include "audio/pipeline/audio_exception.h"
#include "support/decoded_audio.h"
#include "support/read_fault.h"
#include "ui/skin/skin_panel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>

namespace {

const QString kCannotOpen =
    QStringLiteral("The source file can NOT be opened. Normally you need only install the needed "
                   "codecs to solve the problem. Click the Help button to get more helps.");

// The file size limit of this process, set for one scope (writes past it fail with EFBIG
// rather than killing the process).
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FOld;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FOld{};
    void (*FOldHandler)(int) = nullptr;
};

} // namespace

// The user sees the source's times and a finished rip: accents, symbols and spaces in the
// source's and the output folder's paths change nothing.
TEST_F(WindowTest, UnicodeAndSpacesInPathsOpenAndRip) {
    const QString root = FreshDir(QStringLiteral("unicode"));
    const QString source = root + QStringLiteral("/Vidéos ✓ 映画/mein Film «1».mpg");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(source).absolutePath()));
    ASSERT_TRUE(QFile::copy(FixturePath(QStringLiteral("vcd_mp2.mpg")), source));
    Open(source);
    ASSERT_TRUE(Boxes.empty());
    EXPECT_GT(Frm->DurationMs(), 0);
    const QString output = root + QStringLiteral("/Ausgabe ordner ☺/ton é.mp3");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(output).absolutePath()));
    Frm->outputFileEdit->setText(output);
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes) && Frm->IsIdle(); }));
    const DecodedAudio mp3 = DecodeAudioFile(output);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    EXPECT_NEAR(mp3.frames() / double(mp3.sampleRate), Frm->DurationMs() / 1000.0, 0.2);
}

// The user sees the "cannot be opened" box for an empty file, and the window starts over
// without a source; a video without sound is refused at opening, saying so, never making
// a file; a source shorter than a second rips.
TEST_F(WindowTest, EmptySilentAndShortSources) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    const QString dir = FreshDir(QStringLiteral("odd"));
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("/empty.vob"), {}));
    Open(dir + QStringLiteral("/empty.vob"));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, kCannotOpen);
    EXPECT_EQ(Frm->DurationMs(), 0);
    EXPECT_TRUE(Frm->IsIdle());

    Boxes.clear();
    Open(FixturePath(QStringLiteral("no_audio.mpg")));
    EXPECT_TRUE(Frm->IsIdle());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text,
              QStringLiteral("The file has no sound track, so there is nothing to rip:\n "
                             "no_audio.mpg"));
    EXPECT_EQ(Frm->DurationMs(), 0);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("empty.vob")});

    Boxes.clear();
    Open(FixturePath(QStringLiteral("short.mpg")));
    ASSERT_TRUE(Boxes.empty());
    EXPECT_GT(Frm->DurationMs(), 0);
    EXPECT_LT(Frm->DurationMs(), 1000);
    const QString output = dir + QStringLiteral("/short.mp3");
    Frm->outputFileEdit->setText(output);
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes) && Frm->IsIdle(); }));
    const DecodedAudio mp3 = DecodeAudioFile(output);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    EXPECT_GT(mp3.frames(), 0);
}

// The user sees the run's failure box when the disk fills up while replacing a file or
// the source cannot be read part-way, and the old file keeps its content with nothing
// left beside it; closing the window during a replacing run keeps the old file too.
TEST_F(WindowTest, FullDiskReadErrorOrClosingMidRunKeepsTheReplacedFile) {
    const QString source = FixturePath(QStringLiteral("demo.mpg"));
    Open(source);
    const QString dir = FreshDir(QStringLiteral("full"));
    const QString output = dir + QStringLiteral("/old.mp3");
    ASSERT_TRUE(WriteFile(output, "earlier rip"));
    Frm->outputFileEdit->setText(output);
    {
        TFileSizeLimit limit(60000);
        Answers = {1}; // overwrite: yes
        Frm->ExtractBtnClick();
        ASSERT_TRUE(WaitFor([&] { return Boxes.size() >= 2 && Frm->IsIdle(); }, 60000));
    }
    EXPECT_EQ(Boxes.back().Icon, 0);
    EXPECT_FALSE(Boxes.back().Text.isEmpty());
    EXPECT_FALSE(HasDoneBox(Boxes));
    EXPECT_EQ(ReadFile(output), QByteArray("earlier rip"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("old.mp3")});

    Boxes.clear();
    Answers = {1};
    const qint64 half = QFileInfo(source).size() / 2;
    ArmReadFault(source, half, half + 65536);
    Frm->ExtractBtnClick();
    const bool ended = WaitFor([&] { return Boxes.size() >= 2 && Frm->IsIdle(); }, 60000);
    DisarmReadFault();
    ASSERT_TRUE(ended);
    EXPECT_EQ(Boxes.back().Icon, 0);
    EXPECT_TRUE(Boxes.back().Text.contains(QStringLiteral("Input/output error")))
        << Boxes.back().Text.toStdString();
    EXPECT_FALSE(HasDoneBox(Boxes));
    EXPECT_EQ(ReadFile(output), QByteArray("earlier rip"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("old.mp3")});

    Boxes.clear();
    Answers = {1, 1}; // overwrite, then stop the rip to close
    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->ProgressPanel->isVisible());
    Pump(30);
    Frm->close();
    EXPECT_FALSE(Frm->isVisible());
    Frm.reset();
    EXPECT_EQ(ReadFile(output), QByteArray("earlier rip"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("old.mp3")});
}

// The user sees the encoder library's message (shown in a box by the program's start-up)
// instead of a window: building the window fails with it, missing or incomplete alike.
TEST_F(WindowTest, MissingOrIncompleteEncoderLibraryStopsTheWindow) {
    Frm.reset(); // lets go of the library loaded for the fixture's window
    const std::pair<const char*, QString> libraries[] = {
        {"/nonexistent/libmp3lame.so.0",
         QStringLiteral("libmp3lame.so.0 library could not be loaded.")},
        {"libz.so.1", QStringLiteral("libmp3lame.so.0 library could not be loaded: it lacks the "
                                     "function lame_init.")},
    };
    for (const auto& [library, message] : libraries) {
        setenv("SONAVEL_LAME_LIBRARY", library, 1);
        try {
            TTestMainFrm frm;
            ADD_FAILURE() << "a window without the encoder, with " << library;
        } catch (const EAudioException& e) {
            EXPECT_EQ(e.Message(), message);
        }
        unsetenv("SONAVEL_LAME_LIBRARY");
    }
    EXPECT_NO_THROW(TTestMainFrm());
}
