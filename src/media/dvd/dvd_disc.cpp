#include "media/dvd/dvd_disc.h"

#include "media/dvd/dvd_sector.h"
#include "media/dvd/dvd_title_table.h"

#include <QDir>
#include <QFileInfo>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

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

// Whether the table that starts at `sector` of a title set's IFO lies inside the file, as
// its own header (a count, then the offset of its last byte) says. libdvdread allocates and
// reads whatever that header claims; a claim near 4 GB overruns its own buffers. The file
// checked is the one libdvdread will read: the IFO when its identifier is right, else the
// backup.
bool TableFits(dvd_reader_t* reader, int titleSet, uint32_t sector) {
    const char* identifier = titleSet == 0 ? "DVDVIDEO-VMG" : "DVDVIDEO-VTS";
    for (const dvd_read_domain_t domain : {DVD_READ_INFO_FILE, DVD_READ_INFO_BACKUP_FILE}) {
        dvd_file_t* file = DVDOpenFile(reader, titleSet, domain);
        if (!file)
            continue;
        unsigned char head[12];
        const bool ours = DVDReadBytes(file, head, sizeof head) == ssize_t(sizeof head) &&
                          std::memcmp(head, identifier, sizeof head) == 0;
        const int64_t size = int64_t(std::max<ssize_t>(DVDFileSize(file), 0)) * 2048;
        bool fits = false;
        if (ours && int64_t(sector) * 2048 + 8 <= size &&
            DVDFileSeek(file, int32_t(sector * 2048)) >= 0 && DVDReadBytes(file, head, 8) == 8) {
            const int64_t last =
                (int64_t(head[4]) << 24) | (head[5] << 16) | (head[6] << 8) | head[7];
            fits = last >= 7 && int64_t(sector) * 2048 + last + 1 <= size;
        }
        DVDCloseFile(file);
        if (ours)
            return fits;
    }
    return false;
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

TIfoPtr OpenVmg(dvd_reader_t* reader) {
    TIfoPtr ifo(ifoOpenVMGI(reader));
    if (!ifo || !ifo->vmgi_mat || !TableFits(reader, 0, ifo->vmgi_mat->tt_srpt) ||
        !ReadTable(ifo.get(), ifoRead_TT_SRPT, ifo->tt_srpt))
        return nullptr;
    return ifo;
}

TIfoPtr OpenVts(dvd_reader_t* reader, int titleSet) {
    TIfoPtr ifo(ifoOpenVTSI(reader, titleSet));
    if (!ifo || !ifo->vtsi_mat || !TableFits(reader, titleSet, ifo->vtsi_mat->vts_ptt_srpt) ||
        !TableFits(reader, titleSet, ifo->vtsi_mat->vts_pgcit) ||
        !ReadTable(ifo.get(), ifoRead_VTS_PTT_SRPT, ifo->vts_ptt_srpt) ||
        !ReadTable(ifo.get(), ifoRead_PGCIT, ifo->vts_pgcit))
        return nullptr;
    return ifo;
}

QString TwoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
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

std::unique_ptr<TDvdDisc> TDvdDisc::Open(const QString& root, int onlyTitle) {
    std::unique_ptr<TDvdDisc> disc(new TDvdDisc(root));
    static const dvd_logger_cb logger = {&KeepMessage};
    disc->FReader = DVDOpen2(disc->FMessages.get(), &logger, QFile::encodeName(root).constData());
    if (!disc->FReader)
        throw EDvdError(TDvdFault::dfNotDvd,
                        QStringLiteral("no DVD can be read at \"%1\"").arg(root));
    disc->ReadTitleTable(onlyTitle);
    return disc;
}

void TDvdDisc::ReadTitleTable(int onlyTitle) {
    dvd_stat_t stat;
    if (DVDFileStat(FReader, 0, DVD_READ_INFO_FILE, &stat) != 0 &&
        DVDFileStat(FReader, 0, DVD_READ_INFO_BACKUP_FILE, &stat) != 0)
        throw EDvdError(TDvdFault::dfNotDvd,
                        QStringLiteral("\"%1\" holds no DVD-Video (no VIDEO_TS.IFO)").arg(FRoot));
    TIfoPtr vmg = OpenVmg(FReader);
    if (!vmg || !vmg->vmgi_mat || !vmg->tt_srpt || vmg->tt_srpt->nr_of_srpts == 0)
        throw EDvdError(TDvdFault::dfDamaged,
                        QStringLiteral("the DVD's VIDEO_TS.IFO and its backup VIDEO_TS.BUP are "
                                       "damaged or unreadable"));
    std::map<int, TIfoPtr> sets;
    for (int number = 1; number <= vmg->tt_srpt->nr_of_srpts; ++number) {
        if (onlyTitle > 0 && number != onlyTitle) {
            TDvdTitleEntry skipped;
            skipped.title.number = number;
            skipped.fault = QStringLiteral("not read");
            skipped.faultKind = TDvdFault::dfNoTitle;
            FTitles.push_back(std::move(skipped));
            continue;
        }
        const int set = vmg->tt_srpt->title[number - 1].title_set_nr;
        if (set >= 1 && set <= vmg->vmgi_mat->vmg_nr_of_title_sets && !sets.count(set))
            sets[set] = OpenVts(FReader, set);
        const auto found = sets.find(set);
        TDvdTitleEntry entry;
        entry.fault = BuildDvdTitle(
            *vmg, number, found != sets.end() ? found->second.get() : nullptr, entry.title);
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
                        QStringLiteral("the DVD has no title %1 (it has %2)")
                            .arg(QString::number(number), QString::number(FTitles.size())));
    const TDvdTitleEntry& entry = FTitles[size_t(number - 1)];
    if (!entry.fault.isEmpty())
        throw EDvdError(entry.faultKind, QStringLiteral("title %1 cannot be played: %2")
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
    dvd_file_t* file = TitleSetFile(titleSet);
    const ssize_t blocks = file ? DVDFileSize(file) : -1;
    return blocks > 0 ? uint32_t(blocks) : 0;
}

QString TDvdDisc::MissingPartText(int titleSet, uint32_t sector) {
    const QString set = TwoDigits(titleSet);
    dvd_stat_t stat;
    const uint32_t have = TitleSetSectors(titleSet);
    if (have == 0 || DVDFileStat(FReader, titleSet, DVD_READ_TITLE_VOBS, &stat) != 0)
        return QStringLiteral("its VOB files (VTS_%1_1.VOB, ...) are missing").arg(set);
    return QStringLiteral("it needs sector %1 of title set %2, but VTS_%3_1.VOB to VTS_%3_%4.VOB "
                          "end at sector %5: a VTS_%3_n.VOB part is missing or cut short")
        .arg(QString::number(sector), QString::number(titleSet), set,
             QString::number(stat.nr_parts), QString::number(have));
}

void TDvdDisc::ReadSectors(int titleSet, uint32_t first, int count, uint8_t* buffer) {
    const uint32_t have = TitleSetSectors(titleSet);
    if (count <= 0)
        return;
    if (first >= have || uint32_t(count) > have - first)
        throw EDvdError(TDvdFault::dfShort,
                        QStringLiteral("the DVD's title set %1 ends before sector %2: %3")
                            .arg(QString::number(titleSet), QString::number(first + count - 1),
                                 MissingPartText(titleSet, first + count - 1)));
    const ssize_t got = DVDReadBlocks(TitleSetFile(titleSet), int(first), size_t(count), buffer);
    if (got != count)
        throw EDvdError(
            TDvdFault::dfRead,
            QStringLiteral("sectors %1 to %2 of the DVD's title set %3 cannot be read%4")
                .arg(QString::number(first), QString::number(first + count - 1),
                     QString::number(titleSet),
                     FMessages->isEmpty() ? QString()
                                          : QStringLiteral(" (%1)").arg(FMessages->last())));
}

QString TDvdDisc::LastLibraryMessage() const {
    return FMessages->isEmpty() ? QString() : FMessages->last();
}
