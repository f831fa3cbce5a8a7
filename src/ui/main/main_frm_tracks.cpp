// TMainFrm: the choice of the audio stream (the "Audio:" summary row) and the loudness
// overview drawn in the track bar's channel.
#include "ui/main/main_frm.h"

#include "app/song_finder.h"
#include "audio/loudness/loudness_detail.h"
#include "audio/loudness/loudness_envelope.h"
#include "media/audio_track_label.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "ui/skin/image_button.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTimer>

#include <algorithm>
#include <limits>

void TMainFrm::ShowAudioTracks() {
    // The first stream that plays stays the default; a single stream needs no choice. A
    // disc's unavailable streams are shown in their places, greyed.
    const auto playable =
        std::find_if(FAudioTracks.begin(), FAudioTracks.end(),
                     [](const TMediaTrackInfo& t) { return t.unavailable.isEmpty(); });
    FAudioTrack = FAudioTracks.size() > 1 && playable != FAudioTracks.end()
                      ? int(playable - FAudioTracks.begin()) + 1
                      : 0;
    const QSignalBlocker block(AudioTrackBox);
    AudioTrackBox->clear();
    if (FAudioTracks.size() > 1) {
        AudioTrackBox->addItems(AudioTrackLabels(FAudioTracks));
        if (auto* model = qobject_cast<QStandardItemModel*>(AudioTrackBox->model()))
            for (size_t i = 0; i < FAudioTracks.size(); ++i)
                if (!FAudioTracks[i].unavailable.isEmpty())
                    model->item(int(i))->setEnabled(false);
        AudioTrackBox->setCurrentIndex(std::max(0, FAudioTrack - 1));
        AudioTrackPanel->show();
    } else {
        AudioTrackPanel->hide();
    }
    LayoutSummaryRows();
}

void TMainFrm::StartEnvelope() {
    if (FRange.DurationMs() <= 0 || sourceFileEdit->text().isEmpty()) {
        Envelope->Clear();
        Detail->SetSource(QString());
        return;
    }
    const int stream = FAudioTrack > 0 && FAudioTrack <= int(FAudioTracks.size())
                           ? FAudioTracks[size_t(FAudioTrack - 1)].streamIndex
                           : -1;
    // Fine enough for the songs' cuts to 50 ms (Find songs reads it).
    Envelope->Start(MediaSource(), stream, kSongFinderBucketSeconds);
    Detail->SetSource(MediaSource(), stream);
    TrackBarViewChange(); // a zoomed view asks for its detail again
    TrackBar->update();
}

void TMainFrm::AudioTrackBoxChange(int Index) {
    if (Index < 0 || Index >= int(FAudioTracks.size()) || Index + 1 == FAudioTrack)
        return;
    if (!IsIdle() || FRange.DurationMs() <= 0 ||
        !FAudioTracks[size_t(Index)].unavailable.isEmpty()) {
        // Not while a run reads the source: the shown choice is the one in use.
        const QSignalBlocker block(AudioTrackBox);
        AudioTrackBox->setCurrentIndex(std::max(0, FAudioTrack - 1));
        return;
    }
    FAudioTrack = Index + 1;
    RenderPreviewAgain();
    StartEnvelope();
}

void TMainFrm::RenderPreviewAgain() {
    // The preview's graph plays one audio stream: build it again for the chosen one, at
    // the same position. The file was opened a moment ago, so this is quick.
    const int position = TrackBar->position();
    const bool wasPlaying = PauseBtn->isEnabled();
    PausePlayback();
    FilterGraph->Stop();
    FilterGraph->ClearGraph();
    FilterGraph->SetActive(false);
    FMediaSeeking.reset();
    FMediaControl.reset();
    VideoWin->SetFilterGraph(FilterGraph);
    FilterGraph->SetActive(true);
    FilterGraph->SetAudioStreamIndex(FAudioTracks[size_t(FAudioTrack - 1)].streamIndex);
    if (FilterGraph->RenderFile(MediaSource()) < 0)
        return;
    FMediaSeeking = FilterGraph->Query<media::IMediaSeeking>();
    FMediaControl = FilterGraph->Query<media::IMediaControl>();
    if (FMediaSeeking) {
        FMediaSeeking->SetTimeFormat(media::TIME_FORMAT_MEDIA_TIME);
        int64_t current = TMediaTime::FromMs(position).Units();
        FMediaSeeking->SetPositions(&current, media::AM_SEEKING_AbsolutePositioning, nullptr,
                                    media::AM_SEEKING_NoPositioning);
    }
    if (wasPlaying) {
        StartPlayback();
        return;
    }
    // As after opening: a moment of play puts the picture in the preview, then it pauses
    // again unless someone started playing meanwhile.
    FilterGraph->Play();
    QTimer::singleShot(200, this, [this, position] {
        Guarded([&] {
            if (PauseBtn->isEnabled() || !MediaReady() || !FMediaControl)
                return;
            FMediaControl->Pause();
            if (FMediaSeeking && TrackBar->position() == position) {
                int64_t current = TMediaTime::FromMs(position).Units();
                FMediaSeeking->SetPositions(&current, media::AM_SEEKING_AbsolutePositioning,
                                            nullptr, media::AM_SEEKING_NoPositioning);
            }
        });
    });
}
