#include "media/dvd/dvd_title_table.h"

#include "media/dvd/dvd_sector.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>

namespace {

int Bcd(uint8_t value) {
    const int high = value >> 4, low = value & 0x0F;
    return high > 9 || low > 9 ? -1 : high * 10 + low;
}

// The MPEG id FFmpeg's program-stream demuxer gives DVD audio substream `n` of a format
// (audio_attr_t::audio_format), and its codec name.
bool AudioIdentity(int format, int n, int& id, QString& codec) {
    switch (format) {
    case 0:
        id = 0x80 + n;
        codec = QStringLiteral("ac3");
        return true;
    case 2:
    case 3:
        id = 0x1C0 + n;
        codec = QStringLiteral("mp2");
        return true;
    case 4:
        id = 0xA0 + n;
        codec = QStringLiteral("pcm_dvd");
        return true;
    case 6:
        id = 0x88 + n;
        codec = QStringLiteral("dts");
        return true;
    default:
        return false;
    }
}

struct TProgramCells {
    const pgc_t* pgc = nullptr;
    int first = 0; // 0-based cell index in the program chain
    int end = 0;
};

// A chapter plays from the first cell of its program through every cell up to the next
// chapter's program, or to its program chain's end: programs between two chapters (cells
// a disc marks as programs but not as chapters) belong to the chapter before them.
QString ChapterCells(const ifo_handle_t& vts, const ptt_info_t& ptt, const ptt_info_t* next,
                     TProgramCells& cells) {
    const pgcit_t* pgcit = vts.vts_pgcit;
    if (!pgcit || !pgcit->pgci_srp || ptt.pgcn < 1 || ptt.pgcn > pgcit->nr_of_pgci_srp)
        return QCoreApplication::translate("Dvd",
                                           "a chapter names a program chain that does not exist");
    const pgc_t* pgc = pgcit->pgci_srp[ptt.pgcn - 1].pgc;
    if (!pgc || !pgc->program_map || !pgc->cell_playback || pgc->nr_of_cells == 0 || ptt.pgn < 1 ||
        ptt.pgn > pgc->nr_of_programs)
        return QCoreApplication::translate("Dvd", "a chapter names a program that does not exist");
    const int first = pgc->program_map[ptt.pgn - 1];
    int end = pgc->nr_of_cells + 1;
    if (next && next->pgcn == ptt.pgcn && next->pgn >= 1 && next->pgn <= pgc->nr_of_programs)
        end = pgc->program_map[next->pgn - 1];
    if (first < 1 || first > pgc->nr_of_cells || end <= first || end > pgc->nr_of_cells + 1)
        return QCoreApplication::translate("Dvd", "a program's cells are out of order");
    cells = {pgc, first - 1, end - 1};
    return QString();
}

} // namespace

int64_t DvdTimeTicks(uint8_t hour, uint8_t minute, uint8_t second, uint8_t frames) {
    const int h = Bcd(hour), m = Bcd(minute), s = Bcd(second), f = Bcd(frames & 0x3F);
    if (h < 0 || m < 0 || s < 0 || f < 0 || m > 59 || s > 59)
        return -1;
    const int64_t seconds = int64_t(h) * 3600 + m * 60 + s;
    switch (frames >> 6) {
    case 1: // 25 frames a second
        return f >= 25 ? -1 : seconds * dvd::kClockRate + f * 3600;
    case 3:
        // 30000/1001 frames a second. The time counts 30 frames to its second, so it is a
        // frame count: read as clock seconds it would be 0.1 % short.
        return f >= 30 ? -1 : (seconds * 30 + f) * 3003;
    default:
        // a still or an unknown rate: whole seconds only
        return f != 0 ? -1 : seconds * dvd::kClockRate;
    }
}

QString DvdLanguageCode(char first, char second) {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!letter(first) || !letter(second))
        return QString();
    const QString two = QString(QChar(first)) + QChar(second);
    const QLocale::Language language = QLocale::codeToLanguage(two.toLower(), QLocale::ISO639Part1);
    if (language == QLocale::AnyLanguage)
        return two.toLower();
    const QString three = QLocale::languageToCode(language, QLocale::ISO639Part2T);
    return three.isEmpty() ? two.toLower() : three;
}

namespace {

// Where the run of the cell's VOB ID that starts with it ends, from the cell address table
// (which lists a VOB ID's cells in the order they lie on the disc).
uint32_t VobLastSector(const ifo_handle_t& vts, const TDvdCell& cell) {
    uint32_t last = cell.lastSector;
    const c_adt_t* table = vts.vts_c_adt;
    if (!table || !table->cell_adr_table || table->last_byte + 1 < C_ADT_SIZE)
        return last;
    const size_t entries = (table->last_byte + 1 - C_ADT_SIZE) / sizeof(cell_adr_t);
    for (size_t i = 0; i < entries; ++i) {
        const cell_adr_t& entry = table->cell_adr_table[i];
        if (entry.vob_id == cell.vobId && entry.start_sector == last + 1 &&
            entry.last_sector > last)
            last = entry.last_sector;
    }
    return last;
}

// The cell (0-based in the program chain) that plays angle `angle` of the angle block that
// cell `cell` belongs to: the block's cells hold its angles in order, from a first cell to
// a last. The block's first angle when it has fewer.
int AngleCell(const pgc_t& pgc, int cell, int angle) {
    const auto inBlock = [&pgc](int c) {
        return pgc.cell_playback[c].block_type == BLOCK_TYPE_ANGLE_BLOCK;
    };
    int first = cell;
    while (first > 0 && pgc.cell_playback[first].block_mode != BLOCK_MODE_FIRST_CELL &&
           inBlock(first - 1))
        --first;
    int last = first;
    while (last + 1 < pgc.nr_of_cells &&
           pgc.cell_playback[last].block_mode != BLOCK_MODE_LAST_CELL && inBlock(last + 1) &&
           pgc.cell_playback[last + 1].block_mode != BLOCK_MODE_FIRST_CELL)
        ++last;
    return angle - 1 <= last - first ? first + angle - 1 : first;
}

} // namespace

QString BuildDvdTitle(const ifo_handle_t& vmg, int number, const ifo_handle_t* vts,
                      TDvdTitle& title, int angle) {
    title = TDvdTitle();
    title.number = number;
    title.angle = angle;
    if (!vmg.tt_srpt || !vmg.tt_srpt->title || number < 1 || number > vmg.tt_srpt->nr_of_srpts)
        return QCoreApplication::translate("Dvd", "the disc has no title %1").arg(number);
    const title_info_t& info = vmg.tt_srpt->title[number - 1];
    title.titleSet = info.title_set_nr;
    title.angles = std::max<int>(info.nr_of_angles, 1);
    if (angle < 1 || angle > title.angles)
        return QCoreApplication::translate("Dvd", "title %1 has no angle %2")
            .arg(number)
            .arg(angle);
    const QString ifoName = QStringLiteral("VTS_%1_0.IFO").arg(title.titleSet, 2, 10, QChar(u'0'));
    if (!vts || !vts->vtsi_mat)
        return QCoreApplication::translate("Dvd", "%1 cannot be read").arg(ifoName);
    const vts_ptt_srpt_t* ptts = vts->vts_ptt_srpt;
    if (!ptts || !ptts->title || info.vts_ttn < 1 || info.vts_ttn > ptts->nr_of_srpts)
        return QCoreApplication::translate("Dvd", "%1 has no entry for title %2")
            .arg(ifoName)
            .arg(number);
    const ttu_t& unit = ptts->title[info.vts_ttn - 1];
    const int chapters =
        std::min<int>(unit.nr_of_ptts, info.nr_of_ptts > 0 ? info.nr_of_ptts : unit.nr_of_ptts);
    if (chapters < 1 || !unit.ptt)
        return QCoreApplication::translate("Dvd", "title %1 has no chapters").arg(number);

    const pgc_t* firstPgc = nullptr;
    for (int c = 0; c < chapters; ++c) {
        TProgramCells cells;
        const QString fault =
            ChapterCells(*vts, unit.ptt[c], c + 1 < chapters ? &unit.ptt[c + 1] : nullptr, cells);
        if (!fault.isEmpty())
            return QStringLiteral("%1: %2").arg(ifoName, fault);
        if (!firstPgc)
            firstPgc = cells.pgc;
        title.chapterCells.push_back(int(title.cells.size()));
        for (int i = cells.first; i < cells.end; ++i) {
            const cell_playback_t& playback = cells.pgc->cell_playback[i];
            // Of an angle block only the chosen angle is played.
            bool interleaved = false;
            if (playback.block_type == BLOCK_TYPE_ANGLE_BLOCK) {
                if (AngleCell(*cells.pgc, i, angle) != i)
                    continue;
                interleaved = playback.interleaved;
            }
            const dvd_time_t& t = playback.playback_time;
            TDvdCell cell;
            cell.firstSector = playback.first_sector;
            cell.lastSector = playback.last_sector;
            cell.duration = DvdTimeTicks(t.hour, t.minute, t.second, t.frame_u);
            if (cell.duration < 0 || cell.lastSector < cell.firstSector)
                return QCoreApplication::translate("Dvd", "%1: a cell of title %2 is damaged")
                    .arg(ifoName)
                    .arg(number);
            if (cells.pgc->cell_position)
                cell.vobId = cells.pgc->cell_position[i].vob_id_nr;
            const TDvdCell* previous = title.cells.empty() ? nullptr : &title.cells.back();
            cell.restart = !previous || playback.stc_discontinuity ||
                           cell.vobId != previous->vobId ||
                           cell.firstSector != previous->lastSector + 1;
            cell.interleaved = interleaved;
            // Past an interleaved unit's end lie the other angles' units.
            cell.vobLastSector = interleaved ? cell.lastSector : VobLastSector(*vts, cell);
            title.cells.push_back(cell);
        }
        if (int(title.cells.size()) == title.chapterCells.back()) // nothing but other angles
            title.chapterCells.pop_back();
    }
    if (title.cells.empty())
        return QCoreApplication::translate("Dvd", "title %1 has no cells").arg(number);

    const vtsi_mat_t& mat = *vts->vtsi_mat;
    const int streams = std::min<int>(mat.nr_of_vts_audio_streams, 8);
    for (int i = 0; i < streams; ++i) {
        const uint16_t control = firstPgc->audio_control[i];
        const audio_attr_t& attr = mat.vts_audio_attr[i];
        TDvdAudioStream stream;
        stream.number = i + 1;
        // Not in this title's program chain, or a format nothing here decodes (SDDS): it
        // keeps its number, so the streams after it keep theirs.
        stream.available =
            (control & 0x8000) &&
            AudioIdentity(attr.audio_format, (control >> 8) & 0x07, stream.streamId, stream.codec);
        if (!stream.available)
            stream.streamId = 0;
        if (attr.lang_type == 1)
            stream.language = DvdLanguageCode(char(attr.lang_code >> 8), char(attr.lang_code));
        stream.channels = attr.channels + 1;
        stream.sampleRate = attr.sample_frequency == 1 ? 96000 : 48000;
        title.audio.push_back(stream);
    }
    return QString();
}
