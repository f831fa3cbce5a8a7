#include "app/output_settings.h"

#include "audio/layer3/mpeg_frame_header.h"

#include <QCoreApplication>

#include <algorithm>

bool BitRateFor(int32_t kbps, TMP3BitRate& rate) {
    const auto it = std::find(MP3BitRates.begin(), MP3BitRates.end(), kbps);
    if (it == MP3BitRates.end())
        return false;
    rate = TMP3BitRate(it - MP3BitRates.begin());
    return true;
}

TMP3Mode ChannelModeFor(int32_t index) {
    switch (index) {
    case 0:
        return TMP3Mode::DUAL_CHANNEL;
    case 1:
        return TMP3Mode::STEREO;
    case 2:
        return TMP3Mode::JOINT_STEREO;
    default:
        return TMP3Mode::MONO;
    }
}

TMP3SampleRate SampleRateFor(int32_t hz) {
    switch (hz) {
    case 32000:
        return sr32kHz;
    case 48000:
        return sr48kHz;
    default:
        return sr41kHz;
    }
}

void ApplySettingsToOutput(TMP3Out& out, const TAppSettings& settings, const TCurrentTag& tag) {
    out.Format = TOutputFormat(std::clamp<int32_t>(settings.OutputFormat, ofMP3, ofOpus));
    out.FlacLevel = settings.FlacLevel;
    out.FlacSampleRate = settings.FlacSampleRate;
    out.OpusBitrate = settings.OpusBitrate;
    BitRateFor(settings.AudioBitrate, out.BitRate);
    out.VBRLimits = settings.AudioVbrLimits;
    out.VBRMinBitrate = settings.AudioVbrMinBitrate;
    out.VBRMaxBitrate = settings.AudioVbrMaxBitrate;
    out.Mode = ChannelModeFor(settings.AudioChannels);
    out.EnableVBR = settings.AudioVBR;
    out.WriteVBRHeader = settings.AudioVBR;
    out.SampleRate = SampleRateFor(settings.AudioSampleRate);
    if (settings.AudioVbrQuality >= ql0 && settings.AudioVbrQuality <= ql9)
        out.VBRQuality = TMP3Quality(settings.AudioVbrQuality);
    out.ReplayGain = settings.ReplayGain;
    out.Id3TagTitle = tag.Title;
    out.Id3TagArtist = tag.Artist;
    out.Id3TagAlbum = tag.Album;
    out.Id3TagYear = tag.Year;
    out.Id3TagGenre = tag.Genre;
    out.Id3TagComment = tag.Comment;
}

void ApplyFormValues(TMP3Out& out) {
    out.BitRate = br192;
    out.Quality = ql2;
    out.SampleRate = sr41kHz;
    out.Original = false;
}

int32_t SourceMp3Rate(int32_t sourceHz) {
    if (sourceHz <= 0)
        return 44100;
    if (sourceHz % 11025 == 0)
        return 44100;
    if (sourceHz == 8000 || sourceHz == 16000 || sourceHz == 32000)
        return 32000;
    if (sourceHz % 8000 == 0)
        return 48000;
    return 44100;
}

bool KeepsSourceRate(const TAppSettings& settings, const TEncodingChoice& choice) {
    return RipFormat(settings, choice) == ofMP3 &&
           choice.SampleRate.value_or(settings.AudioSampleRate) == 0;
}

int32_t RipSampleRate(const TAppSettings& settings, const TEncodingChoice& choice,
                      int32_t sourceHz) {
    if (choice.SampleRate.value_or(settings.AudioSampleRate) == 0)
        return SourceMp3Rate(sourceHz);
    return SampleRateHz(SampleRateFor(choice.SampleRate.value_or(settings.AudioSampleRate)));
}

TDownmix RipDownmix(const TAppSettings& settings, const TEncodingChoice& choice) {
    return choice.Downmix.value_or(settings.AudioDownmix) == 1 ? TDownmix::dmDialogue
                                                               : TDownmix::dmStandard;
}

TOutputFormat RipFormat(const TAppSettings& settings, const TEncodingChoice& choice) {
    return choice.Format.value_or(
        TOutputFormat(std::clamp<int32_t>(settings.OutputFormat, ofMP3, ofOpus)));
}

TPcmFormat RipInputFormat(const TAppSettings& settings, const TEncodingChoice& choice) {
    const TOutputFormat format = RipFormat(settings, choice);
    const int32_t flacRate =
        format == ofFLAC && choice.SampleRate ? *choice.SampleRate : settings.FlacSampleRate;
    const int32_t mp3Rate = KeepsSourceRate(settings, choice) ? 0 : RipSampleRate(settings, choice);
    return RipInputFormat(format, mp3Rate, flacRate);
}

void ConfigureRipOutput(TMP3Out& out, const TAppSettings& settings, const TEncodingChoice& choice) {
    ApplySettingsToOutput(out, settings, TCurrentTag());
    out.Format = RipFormat(settings, choice);
    if (choice.FlacLevel)
        out.FlacLevel = *choice.FlacLevel;
    if (out.Format == ofFLAC && choice.SampleRate)
        out.FlacSampleRate = *choice.SampleRate;
    if (out.Format == ofOpus && choice.Bitrate)
        out.OpusBitrate = *choice.Bitrate;
    if (choice.Bitrate && out.Format == ofMP3) {
        BitRateFor(*choice.Bitrate, out.BitRate);
        out.EnableVBR = out.WriteVBRHeader = false;
    }
    if (choice.VbrMin && choice.VbrMax) {
        out.VBRMinBitrate = *choice.VbrMin;
        out.VBRMaxBitrate = *choice.VbrMax;
        out.VBRLimits = true;
        out.EnableVBR = out.WriteVBRHeader = true;
    }
    if (choice.ChannelMode)
        out.Mode = ChannelModeFor(*choice.ChannelMode);
    out.SampleRate = SampleRateFor(RipSampleRate(settings, choice));
    if (choice.Jobs)
        out.Jobs = *choice.Jobs;
    if (choice.VbrQuality) {
        out.VBRQuality = TMP3Quality(*choice.VbrQuality);
        out.EnableVBR = out.WriteVBRHeader = true;
    }
    if (choice.ReplayGain)
        out.ReplayGain = *choice.ReplayGain;
}

QString FormatSettingsText(const TAppSettings& settings) {
    switch (RipFormat(settings)) {
    case ofFLAC:
        return QCoreApplication::translate("OutputSettings", "FLAC, lossless, level %1")
            .arg(settings.FlacLevel);
    case ofOpus:
        return QStringLiteral("Opus, %1 Kbps, VBR").arg(settings.OpusBitrate);
    default:
        return QStringLiteral("MP3");
    }
}

QString FormatRateText(const TAppSettings& settings) {
    const TOutputFormat format = RipFormat(settings);
    if ((format == ofFLAC && settings.FlacSampleRate <= 0) ||
        (format == ofMP3 && settings.AudioSampleRate == 0))
        return QCoreApplication::translate("OutputSettings", "Source's rate");
    const int32_t hz = format == ofFLAC   ? settings.FlacSampleRate
                       : format == ofOpus ? 48000
                                          : settings.AudioSampleRate;
    return QString::number(hz) + QStringLiteral(" Hz");
}

int32_t VbrTypicalKbps(int32_t quality) {
    static constexpr int32_t averages[] = {245, 225, 190, 175, 165, 130, 115, 100, 85, 65};
    return averages[std::clamp(quality, 0, 9)];
}

int64_t RipSizeEstimate(const TAppSettings& settings, int64_t ms) {
    switch (RipFormat(settings)) {
    case ofFLAC: {
        const int64_t hz = settings.FlacSampleRate > 0 ? settings.FlacSampleRate : 48000;
        return ms * hz * 4 / 1000 * 6 / 10;
    }
    case ofOpus:
        return ms * int64_t(settings.OpusBitrate) / 8;
    default:
        if (!settings.AudioVBR)
            return ms * int64_t(settings.AudioBitrate) / 8;
        // Without limits, the level alone decides: its typical rate.
        return settings.AudioVbrLimits
                   ? ms * (int64_t(settings.AudioVbrMinBitrate) + settings.AudioVbrMaxBitrate) / 16
                   : ms * int64_t(VbrTypicalKbps(settings.AudioVbrQuality)) / 8;
    }
}

bool CbrRateCarried(int32_t kbps, int32_t hz) {
    return Layer3BitRateRefusal(hz, kbps).isEmpty();
}

QString RipBitRateRefusal(const TAppSettings& settings, const TEncodingChoice& choice) {
    if (RipFormat(settings, choice) != ofMP3)
        return QString(); // the MP3 rates are the MP3's own
    if (!choice.Bitrate && (settings.AudioVBR || (choice.VbrMin && choice.VbrMax)))
        return QString();
    // As ConfigureRipOutput sets it: a stored rate off the table leaves the form's 192.
    TMP3BitRate rate = br192;
    BitRateFor(choice.Bitrate.value_or(settings.AudioBitrate), rate);
    return Layer3BitRateRefusal(RipSampleRate(settings, choice), MP3BitRates[size_t(rate)]);
}
