#include "support/dvd_angles.h"

#include "support/dvd_authoring.h"
#include "support/test_env.h"

#include <QFile>
#include <QtEndian>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/nav_read.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr qsizetype kSector = 2048;
constexpr qsizetype kPci = 45;             // PCI data in a navigation pack
constexpr qsizetype kDsi = DSI_START_BYTE; // DSI data
constexpr uint32_t kNone = 0x7fffffff;     // no unit follows
constexpr uint32_t kEndOfCell = SRI_END_OF_CELL;
// Cells of the title's program chain: before the block, its two angles, after it.
constexpr int kAngleCell[2] = {1, 2};

uint32_t Get32(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<quint32>(b.constData() + at);
}
uint16_t Get16(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<quint16>(b.constData() + at);
}
void Put32(QByteArray& b, qsizetype at, uint32_t v) {
    qToBigEndian<quint32>(v, b.data() + at);
}
void Put16(QByteArray& b, qsizetype at, uint16_t v) {
    qToBigEndian<quint16>(v, b.data() + at);
}

bool IsNavPack(const QByteArray& vob, uint32_t sector) {
    const qsizetype s = qsizetype(sector) * kSector;
    static const QByteArray system("\x00\x00\x01\xBB", 4), private2("\x00\x00\x01\xBF", 4);
    return s + kSector <= vob.size() && vob.mid(s + 14, 4) == system &&
           vob.mid(s + 38, 4) == private2 && vob[s + 44] == 0 && vob.mid(s + 1024, 4) == private2 &&
           vob[s + 1030] == 1;
}

struct TVobu {
    uint32_t first = 0, last = 0; // old sectors
    uint32_t moved = 0;           // its first sector in the new layout
    int unit = 0;                 // its interleaved unit, counted in the angle
};

struct TUnit {
    uint32_t first = 0, last = 0; // new sectors
    int firstVobu = 0, endVobu = 0;
};

struct TAngle {
    uint32_t first = 0, last = 0; // its cell's old sectors
    std::vector<TVobu> vobus;
    std::vector<TUnit> units;
};

std::vector<TVobu> VobusOf(const QByteArray& vob, uint32_t first, uint32_t last) {
    std::vector<TVobu> vobus;
    for (uint32_t s = first; s <= last; ++s)
        if (IsNavPack(vob, s)) {
            if (!vobus.empty())
                vobus.back().last = s - 1;
            vobus.push_back({s, last, 0, 0});
        }
    return vobus;
}

// Where old sector `s` lies in the new layout.
class TRelocation {
public:
    void Add(const TVobu& v) { FMoves[v.first] = v; }
    uint32_t operator()(uint32_t s) const {
        auto found = FMoves.upper_bound(s);
        if (found == FMoves.begin())
            return s;
        --found;
        return s <= found->second.last ? found->second.moved + (s - found->second.first) : s;
    }

private:
    std::map<uint32_t, TVobu> FMoves;
};

// A relative address as the seamless angle fields hold it: the top bit says "backwards".
uint32_t Relative(int64_t from, int64_t to) {
    return to >= from ? uint32_t(to - from) : 0x80000000u | uint32_t(from - to);
}

// Rewrites the navigation pack of VOBU `v` of angle `a` at its new place.
void RewriteNavPack(QByteArray& vob, const TAngle angles[2], int a, size_t v,
                    const TRelocation& relocate) {
    const TAngle& angle = angles[a];
    const TVobu& vobu = angle.vobus[v];
    const TUnit& unit = angle.units[size_t(vobu.unit)];
    const uint32_t n = vobu.moved, o = vobu.first;
    const qsizetype pci = qsizetype(n) * kSector + kPci, dsi = qsizetype(n) * kSector + kDsi;
    Put32(vob, pci, n);
    Put32(vob, dsi + 4, n);
    // The seamless playback fields: in an interleaved unit, its first or last VOBU; where
    // the unit ends, where the angle's next one starts and how long that is.
    uint16_t category = 0x4000;
    if (int(v) == unit.firstVobu)
        category |= 0x2000;
    if (int(v) + 1 == unit.endVobu)
        category |= 0x1000;
    Put16(vob, dsi + 32, category);
    Put32(vob, dsi + 34, unit.last - n);
    const bool more = size_t(vobu.unit) + 1 < angle.units.size();
    const TUnit* next = more ? &angle.units[size_t(vobu.unit) + 1] : nullptr;
    Put32(vob, dsi + 38, next ? next->first - n : kNone);
    Put16(vob, dsi + 42, next ? uint16_t(next->last - next->first + 1) : 0);
    // The seamless angle fields: for each angle, its unit that plays after this one.
    for (int b = 0; b < 9; ++b) {
        const TUnit* to = b < 2 && more ? &angles[b].units[size_t(vobu.unit) + 1] : nullptr;
        Put32(vob, dsi + 180 + 6 * b, to ? Relative(n, to->first) : (b < 2 ? kNone : 0));
        Put16(vob, dsi + 184 + 6 * b, to ? uint16_t(to->last - to->first + 1) : 0);
    }
    // The search fields point at VOBUs of the same angle: they keep their targets.
    auto remap = [&](qsizetype at, bool forward) {
        const uint32_t value = Get32(vob, at);
        const uint32_t offset = value & 0x3fffffff;
        if (offset == kEndOfCell)
            return;
        const int64_t target = forward ? int64_t(o) + offset : int64_t(o) - offset;
        if (target < angle.first || target > angle.last)
            return;
        const int64_t moved = relocate(uint32_t(target));
        Put32(vob, at, (value & 0xC0000000u) | uint32_t(forward ? moved - n : n - moved));
    };
    remap(dsi + 234, true); // next_video
    for (int i = 0; i < 19; ++i)
        remap(dsi + 238 + 4 * i, true);
    remap(dsi + 314, true);  // next_vobu
    remap(dsi + 318, false); // prev_vobu
    for (int i = 0; i < 19; ++i)
        remap(dsi + 322 + 4 * i, false);
    remap(dsi + 398, false); // prev_video
    // The audio packs' addresses, likewise.
    for (int i = 0; i < 8; ++i) {
        const qsizetype at = dsi + 402 + 2 * i;
        const uint16_t value = Get16(vob, at);
        const int offset = value & 0x7fff;
        if (value == 0 || offset == 0x3fff)
            continue;
        const bool back = value & 0x8000;
        const int64_t target = back ? int64_t(o) - offset : int64_t(o) + offset;
        if (target < angle.first || target > angle.last)
            continue;
        const int64_t moved = relocate(uint32_t(target));
        Put16(vob, at, uint16_t((value & 0x8000) | (back ? n - moved : moved - n)));
    }
}

// The offsets of the title's program chain and its cell playback table in a VTS IFO.
struct TChain {
    qsizetype playback = 0; // cell playback table
    int cells = 0;
};

TChain FirstChain(const QByteArray& ifo) {
    const qsizetype table = qsizetype(Get32(ifo, 0xCC)) * kSector;
    const qsizetype pgc = table + Get32(ifo, table + 12);
    return {pgc + Get16(ifo, pgc + 0xE8), uchar(ifo[pgc + 3])};
}

void RewriteIfo(QByteArray& ifo, const TAngle angles[2], bool interleaved,
                const TRelocation& relocate) {
    const TChain chain = FirstChain(ifo);
    for (int a = 0; a < 2; ++a) {
        const qsizetype e = chain.playback + 24 * kAngleCell[a];
        const TAngle& angle = angles[a];
        // First or last cell of an angle block; seamless, interleaved and seamless angle
        // changes where the units alternate.
        uint8_t flags = uint8_t((a == 0 ? 1 : 3) << 6 | 1 << 4 | 0x08 | (ifo[e] & 0x02));
        if (interleaved)
            flags |= 0x04 | 0x01;
        ifo[e] = char(flags);
        Put32(ifo, e + 8, angle.units.front().first);
        Put32(ifo, e + 12, interleaved ? angle.units.front().last : 0);
        Put32(ifo, e + 16, angle.vobus.back().moved);
        Put32(ifo, e + 20, angle.units.back().last);
    }
    // Cell addresses: each angle's VOB from its first sector to its last.
    const qsizetype cells = qsizetype(Get32(ifo, 0xE0)) * kSector;
    for (qsizetype e = cells + 8; e + 12 <= cells + Get32(ifo, cells + 4) + 1; e += 12)
        for (const TAngle* angle : {&angles[0], &angles[1]})
            if (Get32(ifo, e + 4) == angle->first) {
                Put32(ifo, e + 4, angle->units.front().first);
                Put32(ifo, e + 8, angle->units.back().last);
                break;
            }
    // VOBU addresses, in the order they now lie.
    const qsizetype admap = qsizetype(Get32(ifo, 0xE4)) * kSector;
    std::vector<uint32_t> starts;
    for (qsizetype e = admap + 4; e + 4 <= admap + Get32(ifo, admap) + 1; e += 4)
        starts.push_back(relocate(Get32(ifo, e)));
    std::sort(starts.begin(), starts.end());
    for (size_t i = 0; i < starts.size(); ++i)
        Put32(ifo, admap + 4 + 4 * qsizetype(i), starts[i]);
    // The time maps' VOBUs (the top bit marks a discontinuity).
    const qsizetype tmapt = qsizetype(Get32(ifo, 0xD4)) * kSector;
    for (int t = 0; t < Get16(ifo, tmapt); ++t) {
        const qsizetype map = tmapt + Get32(ifo, tmapt + 8 + 4 * t);
        for (int i = 0; i < Get16(ifo, map + 2); ++i) {
            const qsizetype at = map + 4 + 4 * i;
            const uint32_t value = Get32(ifo, at);
            Put32(ifo, at, (value & 0x80000000u) | relocate(value & 0x7fffffff));
        }
    }
}

bool RewriteFile(const QString& path, const std::function<void(QByteArray&)>& change) {
    QByteArray bytes = ReadFile(path);
    if (bytes.isEmpty())
        return false;
    change(bytes);
    return WriteFile(path, bytes);
}

// ---- The check, with libdvdread's readers ------------------------------------------------

struct TReaderCloser {
    void operator()(dvd_reader_t* r) const { DVDClose(r); }
};
struct TIfoCloser {
    void operator()(ifo_handle_t* i) const { ifoClose(i); }
};
struct TFileCloser {
    void operator()(dvd_file_t* f) const { DVDCloseFile(f); }
};

// An angle followed through its navigation packs, as the sectors read in order.
QString Follow(dvd_file_t* vobs, const cell_playback_t& cell, bool byUnit,
               std::vector<uint32_t>& sectors) {
    uint32_t pos = cell.first_sector;
    for (int guard = 0; guard < 10000; ++guard) {
        unsigned char nav[kSector];
        if (DVDReadBlocks(vobs, int(pos), 1, nav) != 1)
            return QStringLiteral("sector %1 cannot be read").arg(pos);
        dsi_t dsi;
        navRead_DSI(&dsi, nav + kDsi);
        if (dsi.dsi_gi.nv_pck_lbn != pos)
            return QStringLiteral("the navigation pack at %1 says %2")
                .arg(pos)
                .arg(dsi.dsi_gi.nv_pck_lbn);
        uint32_t end = pos + dsi.dsi_gi.vobu_ea;
        uint32_t next =
            dsi.vobu_sri.next_vobu == kEndOfCell ? 0 : pos + (dsi.vobu_sri.next_vobu & 0x3fffffff);
        if (byUnit) {
            if ((dsi.sml_pbi.category & 0x6000) != 0x6000)
                return QStringLiteral("no interleaved unit starts at %1").arg(pos);
            end = pos + dsi.sml_pbi.ilvu_ea;
            next = dsi.sml_pbi.ilvu_sa == kNone ? 0 : pos + dsi.sml_pbi.ilvu_sa;
        }
        for (uint32_t s = pos; s <= end; ++s)
            sectors.push_back(s);
        if (end == cell.last_sector)
            return next == 0 ? QString()
                             : QStringLiteral("the cell ends at %1, its units go on").arg(end);
        if (next <= end || next > cell.last_sector)
            return QStringLiteral("after %1 the angle goes on at %2").arg(end).arg(next);
        pos = next;
    }
    return QStringLiteral("the angle does not end");
}

// Each angle of the disc at `root` plays exactly the sectors of its VOB in `original`.
QString CheckDisc(const QString& root, bool interleaved, const QByteArray& original,
                  const TAngle angles[2]) {
    const std::unique_ptr<dvd_reader_t, TReaderCloser> reader(
        DVDOpen(QFile::encodeName(root).constData()));
    if (!reader)
        return QStringLiteral("libdvdread cannot open it");
    const std::unique_ptr<ifo_handle_t, TIfoCloser> vmg(ifoOpen(reader.get(), 0));
    const std::unique_ptr<ifo_handle_t, TIfoCloser> vts(ifoOpen(reader.get(), 1));
    if (!vmg || !vts || !vmg->tt_srpt || !vts->vts_pgcit)
        return QStringLiteral("libdvdread cannot read its tables");
    if (vmg->tt_srpt->title[0].nr_of_angles != 2)
        return QStringLiteral("title 1 has %1 angles").arg(vmg->tt_srpt->title[0].nr_of_angles);
    const pgc_t* pgc = vts->vts_pgcit->pgci_srp[0].pgc;
    const std::unique_ptr<dvd_file_t, TFileCloser> vobs(
        DVDOpenFile(reader.get(), 1, DVD_READ_TITLE_VOBS));
    if (!pgc || pgc->nr_of_cells != 4 || !vobs)
        return QStringLiteral("the title's program chain is not the one authored");
    const QByteArray vob = ReadFile(root + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"));
    for (int a = 0; a < 2; ++a) {
        const cell_playback_t& cell = pgc->cell_playback[kAngleCell[a]];
        if (cell.block_type != BLOCK_TYPE_ANGLE_BLOCK || cell.block_mode != (a == 0 ? 1 : 3) ||
            cell.interleaved != interleaved)
            return QStringLiteral("cell %1 is not angle %2 of the block")
                .arg(kAngleCell[a] + 1)
                .arg(a + 1);
        for (const bool byUnit : {false, true}) {
            if (byUnit && !interleaved)
                continue;
            std::vector<uint32_t> sectors;
            const QString fault = Follow(vobs.get(), cell, byUnit, sectors);
            if (!fault.isEmpty())
                return QStringLiteral("angle %1: %2").arg(a + 1).arg(fault);
            const uint32_t count = angles[a].last - angles[a].first + 1;
            if (sectors.size() != count)
                return QStringLiteral("angle %1 plays %2 sectors, not %3")
                    .arg(a + 1)
                    .arg(sectors.size())
                    .arg(count);
            for (uint32_t i = 0; i < count; ++i) {
                const uint32_t was = angles[a].first + i;
                const qsizetype now = qsizetype(sectors[i]) * kSector;
                // A navigation pack keeps its times; any other pack stays as it was.
                const bool same =
                    IsNavPack(original, was)
                        ? IsNavPack(vob, sectors[i]) &&
                              vob.mid(now + kPci + 12, 8) ==
                                  original.mid(qsizetype(was) * kSector + kPci + 12, 8)
                        : vob.mid(now, kSector) == original.mid(qsizetype(was) * kSector, kSector);
                if (!same)
                    return QStringLiteral("angle %1: sector %2 of its VOB is not where it "
                                          "plays")
                        .arg(a + 1)
                        .arg(i);
            }
        }
        // A change of angle after each unit lands on the other angle's unit of that time.
        if (!interleaved)
            continue;
        for (size_t u = 0; u + 1 < angles[a].units.size(); ++u) {
            unsigned char nav[kSector];
            const uint32_t at = angles[a].units[u].first;
            if (DVDReadBlocks(vobs.get(), int(at), 1, nav) != 1)
                return QStringLiteral("sector %1 cannot be read").arg(at);
            dsi_t dsi;
            navRead_DSI(&dsi, nav + kDsi);
            for (int b = 0; b < 2; ++b) {
                const uint32_t address = dsi.sml_agli.data[b].address;
                const int64_t to = address & 0x80000000u ? int64_t(at) - (address & 0x7fffffff)
                                                         : int64_t(at) + address;
                if (to != angles[b].units[u + 1].first)
                    return QStringLiteral("unit %1 of angle %2 changes to angle %3 at %4")
                        .arg(u + 1)
                        .arg(a + 1)
                        .arg(b + 1)
                        .arg(to);
            }
        }
    }
    return QString();
}

} // namespace

QString MakeAngleDvd(const QString& Hint, TAngleLayout Layout, QString* Error) {
    const auto fail = [Error](const QString& why) {
        if (Error)
            *Error = QStringLiteral("the angle disc: ") + why;
        return QString();
    };
    const QString root =
        AuthorDvd(Hint,
                  QStringLiteral(R"(
      <audio lang="en"/>
      <audio lang="fr"/>
      <pgc>
        <vob file="%1" chapters="0"/>
        <vob file="%2"><cell start="0" chapter="1"/></vob>
        <vob file="%3"><cell start="0"/></vob>
        <vob file="%1" chapters="0"/>
      </pgc>
)")
                      .arg(FixturePath("dvd_title_b.mpg"), FixturePath("dvd_title_a.mpg"),
                           FixturePath("dvd_title_a2.mpg")),
                  Error);
    if (root.isEmpty())
        return QString();
    const QString folder = root + QStringLiteral("/VIDEO_TS/");
    const QByteArray original = ReadFile(folder + QStringLiteral("VTS_01_1.VOB"));
    const QByteArray ifo = ReadFile(folder + QStringLiteral("VTS_01_0.IFO"));
    const TChain chain = FirstChain(ifo);
    if (chain.cells != 4)
        return fail(QStringLiteral("dvdauthor made %1 cells").arg(chain.cells));

    TAngle angles[2];
    for (int a = 0; a < 2; ++a) {
        const qsizetype e = chain.playback + 24 * kAngleCell[a];
        angles[a].first = Get32(ifo, e + 8);
        angles[a].last = Get32(ifo, e + 20);
        angles[a].vobus = VobusOf(original, angles[a].first, angles[a].last);
    }
    const bool interleaved = Layout == TAngleLayout::alInterleaved;
    if (angles[1].first != angles[0].last + 1 || angles[0].vobus.empty() ||
        angles[0].vobus.size() != angles[1].vobus.size())
        return fail(QStringLiteral("the two angles' cells do not follow each other alike"));
    // The units: kAngleUnitVobus VOBUs of each angle in turn (or each angle's cell whole).
    uint32_t place = angles[0].first;
    const size_t vobus = angles[0].vobus.size();
    const size_t step = interleaved ? kAngleUnitVobus : vobus;
    for (size_t first = 0; first < vobus; first += step)
        for (TAngle& angle : angles) {
            TUnit unit;
            unit.firstVobu = int(first);
            unit.endVobu = int(std::min(vobus, first + step));
            unit.first = place;
            for (int v = unit.firstVobu; v < unit.endVobu; ++v) {
                TVobu& vobu = angle.vobus[size_t(v)];
                vobu.moved = place;
                vobu.unit = int(angle.units.size());
                place += vobu.last - vobu.first + 1;
            }
            unit.last = place - 1;
            angle.units.push_back(unit);
        }
    TRelocation relocate;
    QByteArray vob = original;
    for (const TAngle& angle : angles)
        for (const TVobu& v : angle.vobus) {
            relocate.Add(v);
            vob.replace(qsizetype(v.moved) * kSector, qsizetype(v.last - v.first + 1) * kSector,
                        original.mid(qsizetype(v.first) * kSector,
                                     qsizetype(v.last - v.first + 1) * kSector));
        }
    if (interleaved)
        for (int a = 0; a < 2; ++a)
            for (size_t v = 0; v < vobus; ++v)
                RewriteNavPack(vob, angles, a, v, relocate);

    const auto rewriteVts = [&](QByteArray& bytes) {
        RewriteIfo(bytes, angles, interleaved, relocate);
    };
    // Title 1 has two angles.
    const auto rewriteVmg = [](QByteArray& bytes) {
        bytes[qsizetype(Get32(bytes, 0xC4)) * kSector + 8 + 1] = 2;
    };
    if (!WriteFile(folder + QStringLiteral("VTS_01_1.VOB"), vob) ||
        !RewriteFile(folder + QStringLiteral("VTS_01_0.IFO"), rewriteVts) ||
        !RewriteFile(folder + QStringLiteral("VTS_01_0.BUP"), rewriteVts) ||
        !RewriteFile(folder + QStringLiteral("VIDEO_TS.IFO"), rewriteVmg) ||
        !RewriteFile(folder + QStringLiteral("VIDEO_TS.BUP"), rewriteVmg))
        return fail(QStringLiteral("its files cannot be written"));
    const QString fault = CheckDisc(root, interleaved, original, angles);
    if (!fault.isEmpty())
        return fail(fault);
    return root;
}

bool BreakAngleUnit(const QString& Root, int Angle, int Unit) {
    const QString path = Root + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB");
    QByteArray vob = ReadFile(path);
    // The units' first navigation packs, in the order they lie: the angles in turn.
    int seen = 0;
    for (uint32_t s = 0; qsizetype(s + 1) * kSector <= vob.size(); ++s) {
        const qsizetype dsi = qsizetype(s) * kSector + kDsi;
        if (!IsNavPack(vob, s) || (Get16(vob, dsi + 32) & 0x6000) != 0x6000)
            continue;
        if (seen++ == 2 * Unit + Angle - 1) {
            Put32(vob, dsi + 38, 0x00200000);
            return WriteFile(path, vob);
        }
    }
    return false;
}
