#include "app/track_run.h"

#include "audio/audio_exception.h"
#include "audio/mp3_info_tag.h"
#include "audio/mp3_out.h"
#include "audio/stream_audio_in.h"

#include <QFile>

#include <algorithm>

TTrackRun::TTrackRun(QObject* Parent) : QObject(Parent), FOut(std::make_unique<TMP3Out>()) {
    FOut->SetSuspendWhenIdle(true);
    // The worker waits for OnDone: the next track starts once it has been let go.
    FOut->OnDone = [this](QObject*) {
        QMetaObject::invokeMethod(
            this, [this] { TrackDone(); }, Qt::QueuedConnection);
    };
    // On the worker, or inside Run when the track could not be prepared.
    FOut->OnThreadException = [this](QObject*, const std::exception& e) {
        const QString message = ExceptionMessage(e);
        QMetaObject::invokeMethod(
            this, [this, message] { Fail(message); }, Qt::QueuedConnection);
    };
}

TTrackRun::~TTrackRun() {
    // The worker reads the input and reports to this object: it stops first, and its
    // unfinished file goes with it.
    FOut.reset();
    FInput.reset();
}

int64_t TTrackRun::TotalTime() const {
    int64_t total = 0;
    for (const TTrackJob& job : Jobs)
        total += job.End - job.Start;
    return total;
}

int64_t TTrackRun::DoneTime() const {
    if (!Running() || !FInput)
        return FDoneTime;
    const TTrackJob& job = Jobs[size_t(FIndex)];
    return FDoneTime +
           std::clamp<int64_t>(FInput->CurrentTime() - job.Start, 0, job.End - job.Start);
}

void TTrackRun::Start() {
    if (Running() || Jobs.empty())
        return;
    FAbortRequested = false;
    FDoneTime = 0;
    FIndex = 0;
    // Every outcome, even an immediate failure, reaches the caller from the event loop.
    QMetaObject::invokeMethod(
        this, [this] { StartTrack(0); }, Qt::QueuedConnection);
}

void TTrackRun::Abort() {
    if (!Running())
        return;
    FAbortRequested = true;
    FOut->Abort();
}

void TTrackRun::StartTrack(int Index) {
    if (FAbortRequested) {
        End();
        emit finished(true);
        return;
    }
    FIndex = Index;
    const TTrackJob& job = Jobs[size_t(Index)];
    emit trackStarted(Index + 1);
    try {
        FOut->SetInput(nullptr);
        FInput = std::make_unique<TStreamAudioIn>();
        FInput->FileName = Source;
        FInput->AudioTrack = AudioTrack;
        // At the encoder's rate, so the neighbouring sound is counted in the encoder's
        // samples and the encoder never resamples; floats, as every rip takes them.
        FInput->FormatOverride =
            TStreamAudioIn::MakeFormatOverride(SampleRate, TAudioInput::FloatBits);
        FInput->OpenSource();
        TAudioFileReader& reader = *FInput->Reader();
        FFirstSample = reader.TimeToSample(job.Start);
        FEndSample = reader.TimeToSample(job.End);
        const int64_t from =
            std::max<int64_t>(FFirstSample - std::clamp<int64_t>(PreRoll, 0, 2048), 0);
        const int64_t to = FEndSample + std::clamp<int64_t>(PostRoll, 0, 2048);
        FInput->SetStartTime(reader.SampleToTime(from));
        FInput->SetLength(reader.SampleToTime(to) - reader.SampleToTime(from));

        if (Configure)
            Configure(*FOut);
        FOut->FileName = job.FileName;
        FOut->Id3TagTitle = job.Tag.Title;
        FOut->Id3TagArtist = job.Tag.Artist;
        FOut->Id3TagAlbum = job.Tag.Album;
        FOut->Id3TagYear = job.Tag.Year;
        FOut->Id3TagGenre = job.Tag.Genre;
        FOut->Id3TagComment = job.Tag.Comment;
        FOut->Id3TagTrack = job.Track;
        FOut->SetInput(FInput.get());
        FOut->Run(); // a failure to prepare arrives through OnThreadException
    } catch (const std::exception& e) {
        Fail(ExceptionMessage(e));
    }
}

void TTrackRun::TrackDone() {
    if (!Running())
        return;
    if (FOut->LastRunAborted()) {
        End();
        emit finished(true);
        return;
    }
    const TTrackJob& job = Jobs[size_t(FIndex)];
    try {
        DeclareNeighbourSound();
    } catch (const std::exception& e) {
        QFile::remove(job.FileName); // without exact trimming the track would not join
        Fail(ExceptionMessage(e));
        return;
    }
    FDoneTime += job.End - job.Start;
    if (FAbortRequested || FIndex + 1 >= TrackCount()) {
        const bool aborted = FAbortRequested;
        End();
        emit finished(aborted);
        return;
    }
    StartTrack(FIndex + 1);
}

void TTrackRun::DeclareNeighbourSound() {
    // What the input delivered: [first, first + delivered) in its samples.
    const TAudioFileReader& reader = *FInput->Reader();
    const int align = FInput->GetChannels() * FInput->GetBitsPerSample() / 8;
    const int64_t delivered = align > 0 ? FInput->Position / align : 0;
    const int64_t first = reader.FirstSampleRead;
    const int64_t keptFrom = std::max(FFirstSample, first);
    const int64_t keptTo = std::min(FEndSample, first + delivered);
    if (delivered <= 0 || first < 0 || keptTo <= keptFrom)
        throw EAudioException(QStringLiteral("The source has no sound in this range."));
    const int64_t before = keptFrom - first;
    const int64_t after = delivered - before - (keptTo - keptFrom);
    TMp3InfoTag::EditFile(FOut->FileName, [&](TMp3InfoTag& tag) {
        if (!tag.HasLameExtension() || !tag.SetEncoderDelay(tag.EncoderDelay() + int(before)) ||
            !tag.SetEncoderPadding(tag.EncoderPadding() + int(after)))
            throw EAudioException(
                QStringLiteral("The encoder delay and padding of \"%1\" cannot be set.")
                    .arg(FOut->FileName));
    });
}

void TTrackRun::Fail(const QString& Message) {
    if (!Running())
        return;
    const int number = FIndex + 1;
    End();
    emit failed(number, Message);
}

void TTrackRun::End() {
    FIndex = -1;
    FOut->SetInput(nullptr);
    FInput.reset();
}

void MakeTrackJobs(const TTrackList& List, const TCurrentTag& Common, bool PerformerAsArtist,
                   std::vector<TTrackJob>& Jobs, std::vector<TTrackNameFields>& Names) {
    const int count = int(List.Tracks.size());
    for (int k = 0; k < count; ++k) {
        const TTrackEntry& entry = List.Tracks[size_t(k)];
        TTrackJob job;
        job.Start = entry.Start;
        job.End = entry.End;
        job.Tag = Common;
        job.Tag.Title = entry.Title.isEmpty() ? DefaultTrackTitle(k + 1, false) : entry.Title;
        if (PerformerAsArtist && !entry.Performer.isEmpty())
            job.Tag.Artist = entry.Performer;
        job.Track = QStringLiteral("%1/%2").arg(k + 1).arg(count);
        Names.push_back({k + 1, count, job.Tag.Title, job.Tag.Artist, job.Tag.Album});
        Jobs.push_back(job);
    }
}
