// The window's cover: the preview's picture taken as the front cover, shown with the tag
// in the summary, and written with the loudness values into the rip, read back with FFmpeg.

#include "window_fixture.h"

#include "mediagraph/video_renderer_widget.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "support/decoded_audio.h"
#include "ui/skin/link_label.h"

#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/codec_id.h>
}

TEST_F(WindowTest, UseAsCoverPutsThePreviewsPictureIntoTheRip) {
    // Without a picture there is nothing to take: a box says so, the tag stays bare.
    Frm->UseAsCoverClick();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Text.contains(QStringLiteral("no picture in the preview")));
    EXPECT_TRUE(CurrentTag.Cover.isEmpty());
    Boxes.clear();

    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_GT(Frm->DurationMs(), 9000);
    auto* renderer = qobject_cast<media::TVideoRendererWidget*>(Frm->VideoWin->VideoHandle());
    ASSERT_NE(renderer, nullptr);
    ASSERT_TRUE(WaitFor([&] { return renderer->HasFrame(); }));
    EXPECT_TRUE(Frm->UseAsCoverLink->isVisible());
    Frm->UseAsCoverClick();
    EXPECT_TRUE(Boxes.empty());
    ASSERT_FALSE(CurrentTag.Cover.isEmpty());
    EXPECT_TRUE(Frm->Id3TagText2->text().endsWith(QStringLiteral(", cover")))
        << Frm->Id3TagText2->text().toStdString();
    // Full resolution, its pixels made square by the shown aspect.
    const int height = renderer->Frame().height();
    const int width = int(std::lround(height * renderer->DisplayAspect()));

    const QString output = FreshDir(QStringLiteral("wincover")) + QStringLiteral("/cover.mp3");
    Frm->outputFileEdit->setText(output);
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes); }, 60000));
    const DecodedPicture cover = DecodeAttachedPicture(output);
    ASSERT_TRUE(cover.found) << "no attached picture";
    EXPECT_TRUE(cover.error.isEmpty()) << cover.error.toStdString();
    EXPECT_EQ(cover.codec, int(AV_CODEC_ID_MJPEG));
    EXPECT_EQ(cover.height, height);
    EXPECT_NEAR(cover.width, width, 1);
    const DecodedAudio audio = DecodeAudioFile(output);
    ASSERT_TRUE(audio.ok) << audio.error.toStdString();
    EXPECT_TRUE(audio.tags.value(QStringLiteral("REPLAYGAIN_TRACK_GAIN")).endsWith(" dB"))
        << "the settings' default measures the loudness";
    EXPECT_FALSE(audio.tags.contains(QStringLiteral("REPLAYGAIN_ALBUM_GAIN")));
}
