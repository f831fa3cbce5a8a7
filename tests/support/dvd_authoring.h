#pragma once

// DVD-Video structures made at test time with dvdauthor (PAL) from the generated sources
// (dvd_title_*.mpg), and disc images made from them with genisoimage. Nothing is kept
// between runs. Test threads only.
//
// The test disc (TestDvdRoot), as the tests rely on it:
//   title 1 (title set 1): dvd_title_a.mpg with chapters at 0, 2.4 and 4.8 s, then
//     dvd_title_b.mpg with chapters at 0 and 2.0 s: five chapters (cut where the GOPs
//     begin), two runs of cells whose timestamps restart; audio 1 English and 2 French
//     AC-3 (kTitleAEng/kTitleBEng and kTitleAFra/kTitleBFra);
//   title 2 (title set 1): dvd_title_b.mpg alone, one chapter;
//   title 3 (title set 2): dvd_title_lpcm.mpg, one LPCM stereo stream (kTitleLpcm).
// Volume name of its image: SONAVEL_TEST.

#include <QList>
#include <QString>

// The folder holding VIDEO_TS of the shared test disc, authored on first use; empty when
// dvdauthor failed (the reason in *error).
QString TestDvdRoot(QString* error = nullptr);

// A disc of one title made of dvd_concert.mpg (30 s) played `Repeats` times, a chapter
// starting with each of the plays listed in `ChapterPlays` (0-based; 0 must be among
// them), each play restarting the disc's clock. With `SplitAt` above 0, VTS_01_1.VOB is
// cut into two parts at that fraction of it (on a sector boundary), as a disc's 1 GB parts
// are, so the title is read across a VOB part. Returns the folder holding VIDEO_TS, empty
// when dvdauthor failed (the reason in *error).
QString MakeConcertDvd(const QString& Hint, int Repeats, const QList<int>& ChapterPlays,
                       double SplitAt = 0, QString* Error = nullptr);

// A disc authored from `Titles`, the inside of one <titles> element of dvdauthor's XML
// (sources named by FixturePath), as one title set. Returns the folder holding VIDEO_TS,
// empty when dvdauthor failed (the reason in *Error).
QString AuthorDvd(const QString& Hint, const QString& Titles, QString* Error = nullptr);

// A disc of several title sets: `TitleSets` is what follows <vmgm/> in dvdauthor's XML
// (<titleset> elements). Returns the folder holding VIDEO_TS, empty when dvdauthor failed
// (the reason in *Error).
QString AuthorDvdTitleSets(const QString& Hint, const QString& TitleSets, QString* Error = nullptr);

// A fresh copy of the test disc's folder, for tests that damage it.
QString CopyOfTestDvd(const QString& hint);

// A disc image of the folder `root`, made with genisoimage (-dvd-video when it holds
// VIDEO_TS); empty on failure.
QString MakeDvdImage(const QString& root, const QString& volume, QString* error = nullptr);

// Runs a program (with the test process's private HOME and settings); its exit code, -1
// when it cannot start or does not finish within a minute; output in *output.
int RunTool(const QString& program, const QStringList& args, QString* output = nullptr);
