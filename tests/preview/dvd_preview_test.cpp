// The preview plays a DVD title as one source: one duration, one clock across the point
// where the title's second source restarts its timestamps, the picture of each time.
#include "playback_helpers.h"

#include "base/media_time.h"
#include "support/dvd_authoring.h"
#include "support/fixture_signal.h"

#include "media/dvd/dvd_path.h"
#include "mediagraph/class_registry.h"
#include "mediagraph/media_graph.h"
#include "mediagraph/video_renderer.h"
#include "mediagraph/video_renderer_widget.h"

#include <gtest/gtest.h>

using namespace media;

namespace {

constexpr REFERENCE_TIME kFrame = 40 * kMs;

} // namespace

TEST(DvdPreview, TheTitlePlaysOnOneClockAcrossItsRestartingParts) {
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    auto graph = std::make_shared<TMediaGraph>();
    auto renderer = MakeFilter<TVideoRendererFilter>();
    graph->AddFilter(renderer, QStringLiteral("VideoWin"));
    ASSERT_EQ(graph->RenderFile(dvd::TitleLocator(root, 1), {}), S_OK);
    std::int64_t duration = 0;
    ASSERT_EQ(graph->GetDuration(duration), S_OK);
    // Time 0 is the first picture, as players count; the second source starts where the
    // disc's cell times put it.
    const REFERENCE_TIME secondPart = 6400 * kMs;
    EXPECT_NEAR(double(duration), double(secondPart + 4000 * kMs), 10.0); // to the microsecond

    graph->Pause();
    TVideoRendererWidget* widget = renderer->Widget();
    ASSERT_TRUE(WaitUntil([&] { return widget->HasFrame(); }));
    for (const REFERENCE_TIME target : {2000 * kMs, 8100 * kMs, 6000 * kMs, 9900 * kMs}) {
        const qint64 before = widget->FrameTime();
        std::int64_t position = target;
        ASSERT_EQ(graph->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                      AM_SEEKING_NoPositioning),
                  S_OK);
        ASSERT_TRUE(WaitUntil([&] { return widget->FrameTime() != before; })) << target;
        // Both sources number their pictures from 0; the second one's first picture shows
        // where the first one's cells end.
        const REFERENCE_TIME origin = target < secondPart ? 0 : secondPart;
        const int index = ShownIndex(widget);
        ASSERT_GE(index, 0) << target;
        EXPECT_LE(std::abs(origin + index * kFrame - target), kFrame)
            << target << " showed picture " << index;
    }

    // Played across the join, the clock runs on.
    std::int64_t position = secondPart - 300 * kMs;
    graph->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                        AM_SEEKING_NoPositioning);
    graph->Run();
    ASSERT_TRUE(WaitUntil(
        [&] {
            std::int64_t now = 0;
            graph->GetCurrentPosition(now);
            return now > secondPart + 400 * kMs;
        },
        8000));
    EXPECT_GE(ShownIndex(widget), 5);
    graph->Stop();
}
