#pragma once

// A DVD-Video opened with libdvdread: its titles, read from the IFO files (the backup
// .BUP when an IFO is unreadable), and the sectors of its title sets, each set's
// VTS_nn_1.VOB, VTS_nn_2.VOB, ... read as one block space (on an image or a disc the
// same space lies in one extent).
//
// A title whose tables make no sense, or whose cells lie past the end of its VOB files,
// is kept in the list with its fault, so the rest of the disc stays usable; asking for
// it raises that fault.
//
// libdvdread's messages are kept (LastLibraryMessage), never printed.
//
// Threads: one thread at a time. Every user (preview, rip, loudness overview) opens its
// own, as libdvdread's reader is not meant to be shared between threads.

#include "media/dvd/dvd_error.h"
#include "media/dvd/dvd_title.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

struct dvd_reader_s;
struct dvd_file_s;

// One title of the list and why it cannot be played (empty when it can).
struct TDvdTitleEntry {
    TDvdTitle title;
    QString fault;
    TDvdFault faultKind = TDvdFault::dfDamaged;
};

class TDvdDisc {
public:
    // Opens the DVD at `root` (a folder holding VIDEO_TS or the VIDEO_TS folder itself,
    // an image file, a device) and reads its title table. Raises EDvdError: dfNotDvd
    // when there is no DVD-Video there, dfDamaged when its tables cannot be read. With
    // `onlyTitle`, only that title's set is read (a reader of one title needs no more, and
    // a disc may hold dozens of sets); the others answer dfNoTitle. That title plays camera
    // angle `angle` of its angle blocks (an angle it lacks: dfNoTitle); every other title
    // its first.
    static std::unique_ptr<TDvdDisc> Open(const QString& root, int onlyTitle = 0, int angle = 1);
    ~TDvdDisc();
    TDvdDisc(const TDvdDisc&) = delete;
    TDvdDisc& operator=(const TDvdDisc&) = delete;

    const QString& Root() const { return FRoot; }
    // The disc's volume name (UDF, else ISO 9660); for a copy on disk, the name of the
    // folder that holds VIDEO_TS. Never empty ("DVD" at worst).
    QString VolumeName() const;

    const std::vector<TDvdTitleEntry>& Titles() const { return FTitles; }
    // Title `number` (1-based); raises dfNoTitle for a number not on the disc and the
    // title's own fault for one that cannot be played.
    const TDvdTitle& Title(int number) const;
    // The playable title that lasts longest (the lowest number among equals); 0 if none.
    int LongestTitle() const;

    // Reads `count` sectors from sector `first` of the VOB space of title set
    // `titleSet`. Raises EDvdError (dfShort past the end of the files, dfRead).
    void ReadSectors(int titleSet, uint32_t first, int count, uint8_t* buffer);
    // Sectors in the title set's VOB space (0 when its VOBs cannot be opened).
    uint32_t TitleSetSectors(int titleSet);

    // The last thing libdvdread reported, for messages.
    QString LastLibraryMessage() const;

private:
    explicit TDvdDisc(QString root);
    void ReadTitleTable(int onlyTitle, int angle);
    dvd_file_s* TitleSetFile(int titleSet);
    QString MissingPartText(int titleSet, uint32_t sector);
    // Where a title set's VOB space begins in an image file and how many of its sectors
    // the file holds; none when the DVD is no image (a folder, a device).
    struct TImageSpan {
        uint32_t first = 0;
        int64_t held = 0;
    };
    std::optional<TImageSpan> ImageSpan(int titleSet);

    QString FRoot;
    dvd_reader_s* FReader = nullptr;
    std::map<int, dvd_file_s*> FFiles; // opened title-set VOB spaces
    std::map<int, uint32_t> FSectors;  // their lengths, as far as the disc holds them
    std::vector<TDvdTitleEntry> FTitles;
    std::shared_ptr<QStringList> FMessages; // what the library logged, newest last
};
