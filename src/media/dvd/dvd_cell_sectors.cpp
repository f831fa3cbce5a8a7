#include "media/dvd/dvd_cell_sectors.h"

#include "media/dvd/dvd_sector.h"

#include <QCoreApplication>

#include <array>

std::vector<TSectorSpan> CellSectorSpans(TDvdDisc& disc, int titleSet, const TDvdCell& cell) {
    if (!cell.interleaved)
        return {{cell.firstSector, cell.lastSector}};
    const auto broken = [&](uint32_t sector, const char* why) {
        return EDvdError(
            TDvdFault::dfNavigation,
            QCoreApplication::translate("Dvd", "an angle of title set %1 cannot be followed "
                                               "through its interleaved block: %2 at sector %3")
                .arg(QString::number(titleSet), QCoreApplication::translate("Dvd", why),
                     QString::number(sector)));
    };
    std::vector<TSectorSpan> spans;
    std::array<uint8_t, dvd::kSectorBytes> nav{};
    uint32_t at = cell.firstSector;
    // Every step moves forward inside the cell: a loop ends within its sectors.
    for (;;) {
        disc.ReadSectors(titleSet, at, 1, nav.data());
        const std::optional<dvd::TNavDsi> dsi = dvd::ReadNavDsi(nav.data());
        if (!dsi)
            throw broken(at, QT_TRANSLATE_NOOP("Dvd", "no navigation pack"));
        // A unit's first VOBU knows where the unit ends and where the angle goes on; any
        // other VOBU where it ends itself and the angle's next one.
        const bool unit =
            (dsi->category & (dvd::kIlvu | dvd::kIlvuFirst)) == (dvd::kIlvu | dvd::kIlvuFirst);
        const uint64_t end = uint64_t(at) + (unit ? dsi->unitEnd : dsi->vobuEnd);
        const uint32_t step = unit ? dsi->nextUnit : dsi->nextVobu;
        const bool last = unit ? step == dvd::kNoNextUnit : step == dvd::kEndOfCell;
        if (end > cell.lastSector)
            throw broken(at, QT_TRANSLATE_NOOP("Dvd", "a unit that ends past the cell"));
        if (!spans.empty() && spans.back().last + 1 == at)
            spans.back().last = uint32_t(end);
        else
            spans.push_back({at, uint32_t(end)});
        if (end == cell.lastSector)
            return spans;
        const uint64_t next = uint64_t(at) + step;
        if (last || step == 0 || next <= end || next > cell.lastSector)
            throw broken(at, QT_TRANSLATE_NOOP("Dvd", "no way on to the angle's next unit"));
        at = uint32_t(next);
    }
}
