#include "media/dvd/dvd_disc.h"

#include "media/dvd/dvd_ifo_check.h"
#include "media/dvd/dvd_sector.h"
#include "media/dvd/dvd_title_table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <dvdread/dvd_reader.h>
#include <dvdread/dvd_udf.h>
#include <dvdread/ifo_read.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr int kMaxMessages = 20;

void KeepMessage(void* list, dvd_logger_level_t, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    auto* messages = static_cast<QStringList*>(list);
    messages->append(QString::fromLocal8Bit(text).trimmed());
    if (messages->size() > kMaxMessages)
        messages->removeFirst();
}

struct TIfoCloser {
    void operator()(ifo_handle_t* ifo) const { ifoClose(ifo); }
};
using TIfoPtr = std::unique_ptr<ifo_handle_t, TIfoCloser>;

QString TwoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
}

struct TReaderCloser {
    void operator()(dvd_reader_t* reader) const { DVDClose(reader); }
};
using TReaderPtr = std::unique_ptr<dvd_reader_t, TReaderCloser>;

// An IFO (or its backup) as libdvdread parses it. When it is parsed from a copy, the copy's
// folder and reader live as long as the tables do: members close in reverse order.
struct TIfoTables {
    std::unique_ptr<QTemporaryDir> copy;
    TReaderPtr reader;
    TIfoPtr ifo;
    QString fault; // why there are no tables, naming the file
};

QString IfoBaseName(int titleSet) {
    return titleSet == 0 ? QStringLiteral("VIDEO_TS")
                         : QStringLiteral("VTS_%1_0").arg(TwoDigits(titleSet));
}

// The bytes of an IFO or BUP file (empty when it cannot be read), and what is wrong with
// the tables the title list needs (empty when nothing is).
struct TIfoBytes {
    std::vector<uint8_t> bytes;
    QString fault;
};

TIfoBytes ReadIfoBytes(dvd_reader_t* reader, int titleSet, dvd_read_domain_t domain) {
    // Far more than any IFO holds; a larger one is damaged, not read into memory.
    constexpr ssize_t kMaxSectors = 8192;
    TIfoBytes result;
    dvd_file_t* file = DVDOpenFile(reader, titleSet, domain);
    const ssize_t sectors = file ? DVDFileSize(file) : -1;
    if (!file || sectors <= 0 || sectors > kMaxSectors) {
        result.fault = file ? QCoreApplication::translate("Dvd", "its size makes no sense")
                            : QCoreApplication::translate("Dvd", "it cannot be read");
    } else {
        result.bytes.resize(size_t(sectors) * 2048);
        if (DVDReadBytes(file, result.bytes.data(), result.bytes.size()) !=
            ssize_t(result.bytes.size()))
            result.fault = QCoreApplication::translate("Dvd", "it cannot be read");
    }
    if (file)
        DVDCloseFile(file);
    const char* identifier = titleSet == 0 ? "DVDVIDEO-VMG" : "DVDVIDEO-VTS";
    if (result.fault.isEmpty() &&
        (result.bytes.size() < 12 || std::memcmp(result.bytes.data(), identifier, 12) != 0))
        result.fault = QCoreApplication::translate("Dvd", "it holds no DVD-Video tables");
    if (result.fault.isEmpty())
        result.fault = dvd::IfoTablesFault(result.bytes, titleSet != 0);
    return result;
}

// Only the tables a title needs are read: every other table of an IFO is parsed by code
// that has mishandled damaged input (a first-play chain freed twice), and none of them
// says anything about a title's cells, chapters or sound. A table whose reading failed is
// let go of rather than closed: the reader may already have freed parts of it.
template <class T> bool ReadTable(ifo_handle_t* ifo, int (*read)(ifo_handle_t*), T*& table) {
    if (read(ifo))
        return true;
    table = nullptr;
    return false;
}

// `cellAddresses`: the cell address table was checked and may be read too.
bool ReadTables(ifo_handle_t* ifo, int titleSet, bool cellAddresses) {
    if (titleSet == 0)
        return ifo->vmgi_mat && ReadTable(ifo, ifoRead_TT_SRPT, ifo->tt_srpt);
    if (!ifo->vtsi_mat || !ReadTable(ifo, ifoRead_VTS_PTT_SRPT, ifo->vts_ptt_srpt) ||
        !ReadTable(ifo, ifoRead_PGCIT, ifo->vts_pgcit))
        return false;
    if (cellAddresses)
        ReadTable(ifo, ifoRead_TITLE_C_ADT, ifo->vts_c_adt); // without it titles still play
    return true;
}

ifo_handle_t* OpenIfo(dvd_reader_t* reader, int titleSet) {
    return titleSet == 0 ? ifoOpenVMGI(reader) : ifoOpenVTSI(reader, titleSet);
}

// The tables of the VMG (`titleSet` 0) or of a title set, from bytes that were checked
// first. libdvdread reads the IFO and turns to the backup on its own when it dislikes the
// IFO, so it is given the disc's files only when every copy it may read is sound; else a
// sound copy alone, in a folder of its own.
TIfoTables OpenTables(dvd_reader_t* reader, int titleSet) {
    TIfoTables tables;
    const QString name = IfoBaseName(titleSet);
    const TIfoBytes ifo = ReadIfoBytes(reader, titleSet, DVD_READ_INFO_FILE);
    const TIfoBytes backup = ReadIfoBytes(reader, titleSet, DVD_READ_INFO_BACKUP_FILE);
    const TIfoBytes* sound = ifo.fault.isEmpty()      ? &ifo
                             : backup.fault.isEmpty() ? &backup
                                                      : nullptr;
    if (!sound) {
        tables.fault = QCoreApplication::translate(
                           "Dvd", "%1.IFO is damaged (%2) and so is its backup %1.BUP (%3)")
                           .arg(name, ifo.fault, backup.fault);
        return tables;
    }
    if (sound == &ifo && (backup.fault.isEmpty() || backup.bytes.empty())) {
        tables.ifo.reset(OpenIfo(reader, titleSet));
    } else {
        tables.copy = std::make_unique<QTemporaryDir>();
        QFile file(tables.copy->filePath(QStringLiteral("VIDEO_TS/%1.IFO").arg(name)));
        if (tables.copy->isValid() && QDir(tables.copy->path()).mkdir(QStringLiteral("VIDEO_TS")) &&
            file.open(QIODevice::WriteOnly) &&
            file.write(reinterpret_cast<const char*>(sound->bytes.data()),
                       qint64(sound->bytes.size())) == qint64(sound->bytes.size())) {
            file.close();
            tables.reader.reset(DVDOpen(QFile::encodeName(tables.copy->path()).constData()));
            if (tables.reader)
                tables.ifo.reset(OpenIfo(tables.reader.get(), titleSet));
        }
    }
    // The reader may turn to the backup by itself: both copies it may read must be sound.
    const bool cellAddresses =
        titleSet != 0 && dvd::CellAddressTableFits(sound->bytes) &&
        (tables.copy || backup.bytes.empty() || dvd::CellAddressTableFits(backup.bytes));
    if (!tables.ifo || !ReadTables(tables.ifo.get(), titleSet, cellAddresses)) {
        tables.ifo.reset();
        tables.fault =
            QCoreApplication::translate("Dvd", "%1.%2 cannot be read")
                .arg(name, sound == &ifo ? QStringLiteral("IFO") : QStringLiteral("BUP"));
    }
    return tables;
}

} // namespace

TDvdDisc::TDvdDisc(QString root)
    : FRoot(std::move(root)), FMessages(std::make_shared<QStringList>()) {}

TDvdDisc::~TDvdDisc() {
    for (auto& [set, file] : FFiles)
        if (file)
            DVDCloseFile(file);
    if (FReader)
        DVDClose(FReader);
}

std::unique_ptr<TDvdDisc> TDvdDisc::Open(const QString& root, int onlyTitle, int angle) {
    std::unique_ptr<TDvdDisc> disc(new TDvdDisc(root));
    static const dvd_logger_cb logger = {&KeepMessage};
    disc->FReader = DVDOpen2(disc->FMessages.get(), &logger, QFile::encodeName(root).constData());
    if (!disc->FReader)
        throw EDvdError(
            TDvdFault::dfNotDvd,
            QCoreApplication::translate("Dvd", "no DVD can be read at \"%1\"").arg(root));
    disc->ReadTitleTable(onlyTitle, angle);
    return disc;
}

void TDvdDisc::ReadTitleTable(int onlyTitle, int angle) {
    dvd_stat_t stat;
    if (DVDFileStat(FReader, 0, DVD_READ_INFO_FILE, &stat) != 0 &&
        DVDFileStat(FReader, 0, DVD_READ_INFO_BACKUP_FILE, &stat) != 0)
        throw EDvdError(
            TDvdFault::dfNotDvd,
            QCoreApplication::translate("Dvd", "\"%1\" holds no DVD-Video (no VIDEO_TS.IFO)")
                .arg(FRoot));
    const TIfoTables manager = OpenTables(FReader, 0);
    const ifo_handle_t* vmg = manager.ifo.get();
    if (!vmg || !vmg->vmgi_mat || !vmg->tt_srpt || vmg->tt_srpt->nr_of_srpts == 0)
        throw EDvdError(
            TDvdFault::dfDamaged,
            QCoreApplication::translate("Dvd", "the DVD's table of contents cannot be read: %1")
                .arg(manager.fault.isEmpty()
                         ? QCoreApplication::translate("Dvd", "VIDEO_TS.IFO lists no titles")
                         : manager.fault));
    std::map<int, TIfoTables> sets;
    for (int number = 1; number <= vmg->tt_srpt->nr_of_srpts; ++number) {
        if (onlyTitle > 0 && number != onlyTitle) {
            TDvdTitleEntry skipped;
            skipped.title.number = number;
            skipped.fault = QCoreApplication::translate("Dvd", "not read");
            skipped.faultKind = TDvdFault::dfNoTitle;
            FTitles.push_back(std::move(skipped));
            continue;
        }
        const int set = vmg->tt_srpt->title[number - 1].title_set_nr;
        if (set >= 1 && set <= vmg->vmgi_mat->vmg_nr_of_title_sets && !sets.count(set))
            sets[set] = OpenTables(FReader, set);
        const auto found = sets.find(set);
        TDvdTitleEntry entry;
        entry.fault =
            BuildDvdTitle(*vmg, number, found != sets.end() ? found->second.ifo.get() : nullptr,
                          entry.title, number == onlyTitle ? angle : 1);
        if (found != sets.end() && !found->second.fault.isEmpty())
            entry.fault = found->second.fault;
        else if (entry.title.angle > entry.title.angles)
            entry.faultKind = TDvdFault::dfNoTitle;
        if (entry.fault.isEmpty()) {
            // The cells must lie inside the title set's VOB files.
            uint32_t last = 0;
            for (const TDvdCell& cell : entry.title.cells)
                last = std::max(last, cell.lastSector);
            if (last >= TitleSetSectors(set)) {
                entry.fault = MissingPartText(set, last);
                entry.faultKind = TDvdFault::dfShort;
            }
        }
        FTitles.push_back(std::move(entry));
    }
}

const TDvdTitle& TDvdDisc::Title(int number) const {
    if (number < 1 || number > int(FTitles.size()))
        throw EDvdError(TDvdFault::dfNoTitle,
                        QCoreApplication::translate("Dvd", "the DVD has no title %1 (it has %2)")
                            .arg(QString::number(number), QString::number(FTitles.size())));
    const TDvdTitleEntry& entry = FTitles[size_t(number - 1)];
    if (!entry.fault.isEmpty())
        throw EDvdError(entry.faultKind,
                        QCoreApplication::translate("Dvd", "title %1 cannot be played: %2")
                            .arg(QString::number(number), entry.fault));
    return entry.title;
}

int TDvdDisc::LongestTitle() const {
    int best = 0;
    int64_t longest = -1;
    for (const TDvdTitleEntry& entry : FTitles)
        if (entry.fault.isEmpty() && entry.title.Duration() > longest) {
            longest = entry.title.Duration();
            best = entry.title.number;
        }
    return best;
}

QString TDvdDisc::VolumeName() const {
    char name[33] = {};
    unsigned char set[128];
    if (DVDUDFVolumeInfo(FReader, name, sizeof name, set, sizeof set) == 0 && name[0])
        return QString::fromLatin1(name).trimmed();
    if (DVDISOVolumeInfo(FReader, name, sizeof name, set, sizeof set) == 0 && name[0])
        return QString::fromLatin1(name).trimmed();
    QFileInfo folder(FRoot);
    if (folder.fileName().compare(QStringLiteral("VIDEO_TS"), Qt::CaseInsensitive) == 0)
        folder = QFileInfo(folder.absolutePath());
    const QString text = folder.isDir() ? folder.fileName() : folder.completeBaseName();
    return text.isEmpty() ? QStringLiteral("DVD") : text;
}

dvd_file_s* TDvdDisc::TitleSetFile(int titleSet) {
    auto found = FFiles.find(titleSet);
    if (found != FFiles.end())
        return found->second;
    dvd_file_t* file = DVDOpenFile(FReader, titleSet, DVD_READ_TITLE_VOBS);
    FFiles[titleSet] = file;
    return file;
}

uint32_t TDvdDisc::TitleSetSectors(int titleSet) {
    if (const auto known = FSectors.find(titleSet); known != FSectors.end())
        return known->second;
    dvd_file_t* file = TitleSetFile(titleSet);
    const ssize_t blocks = file ? DVDFileSize(file) : -1;
    uint32_t sectors = blocks > 0 ? uint32_t(blocks) : 0;
    // An image cut short still lists its files at their full size.
    if (const std::optional<TImageSpan> image = ImageSpan(titleSet); image && sectors > 0)
        sectors = uint32_t(std::min<int64_t>(sectors, image->held));
    FSectors[titleSet] = sectors;
    return sectors;
}

std::optional<TDvdDisc::TImageSpan> TDvdDisc::ImageSpan(int titleSet) {
    struct stat st {};
    if (::stat(QFile::encodeName(FRoot).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    uint32_t size = 0;
    const QByteArray name =
        QStringLiteral("/VIDEO_TS/VTS_%1_1.VOB").arg(TwoDigits(titleSet)).toLatin1();
    const uint32_t first = UDFFindFile(FReader, name.constData(), &size);
    if (first == 0)
        return std::nullopt;
    return TImageSpan{first, std::max<int64_t>(0, int64_t(st.st_size) / 2048 - first)};
}

QString TDvdDisc::MissingPartText(int titleSet, uint32_t sector) {
    const QString set = TwoDigits(titleSet);
    if (const std::optional<TImageSpan> image = ImageSpan(titleSet);
        image && sector >= image->held) {
        return QCoreApplication::translate(
                   "Dvd", "the image file is cut short: it ends at sector %1 of the disc, "
                          "but title set %2 needs sector %3 (%4 MB are missing)")
            .arg(QString::number(image->first + image->held), QString::number(titleSet),
                 QString::number(image->first + sector),
                 QString::number((int64_t(sector) + 1 - image->held) * 2048 / 1000000.0, 'f', 1));
    }
    dvd_stat_t stat;
    const uint32_t have = TitleSetSectors(titleSet);
    if (have == 0 || DVDFileStat(FReader, titleSet, DVD_READ_TITLE_VOBS, &stat) != 0)
        return QCoreApplication::translate("Dvd", "its VOB files (VTS_%1_1.VOB, ...) are missing")
            .arg(set);
    return QCoreApplication::translate(
               "Dvd", "it needs sector %1 of title set %2, but VTS_%3_1.VOB to VTS_%3_%4.VOB "
                      "end at sector %5: a VTS_%3_n.VOB part is missing or cut short")
        .arg(QString::number(sector), QString::number(titleSet), set,
             QString::number(stat.nr_parts), QString::number(have));
}

void TDvdDisc::ReadSectors(int titleSet, uint32_t first, int count, uint8_t* buffer) {
    const uint32_t have = TitleSetSectors(titleSet);
    if (count <= 0)
        return;
    if (first >= have || uint32_t(count) > have - first)
        throw EDvdError(
            TDvdFault::dfShort,
            QCoreApplication::translate("Dvd", "the DVD's title set %1 ends before sector %2: %3")
                .arg(QString::number(titleSet), QString::number(first + count - 1),
                     MissingPartText(titleSet, first + count - 1)));
    const ssize_t got = DVDReadBlocks(TitleSetFile(titleSet), int(first), size_t(count), buffer);
    if (got != count)
        throw EDvdError(TDvdFault::dfRead,
                        QCoreApplication::translate(
                            "Dvd", "sectors %1 to %2 of the DVD's title set %3 cannot be read%4")
                            .arg(QString::number(first), QString::number(first + count - 1),
                                 QString::number(titleSet),
                                 FMessages->isEmpty()
                                     ? QString()
                                     : QStringLiteral(" (%1)").arg(FMessages->last())));
}

QString TDvdDisc::LastLibraryMessage() const {
    return FMessages->isEmpty() ? QString() : FMessages->last();
}
