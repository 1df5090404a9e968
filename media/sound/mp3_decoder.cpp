#include "media/sound/mp3_decoder.h"
#include "media/sound/sound_output.h"

#include "media/sound/mp3_output_format.h"

namespace korv {

namespace {

// How long one wait for a played buffer lasts before the stop is looked at again.
constexpr uint32_t kWaitSliceMs = 100;

}  // namespace

bool CMP3Decoder::Play(const CMP3Analyzer& stream, platform::AudioOutput& output) {
    endReached_ = false;
    bufferIndex_ = 0;
    consumed_ = 0;
    queuedBytes_ = 0;
    frames_ = stream.Frames();
    const platform::AudioFormat format = Mp3PlaybackFormat(stream.FirstHeader());

    bufferSize_ = Mp3DecodedBound(stream.FirstHeader(), format, kMp3ChunkLength);
    if (frames_.empty() || bufferSize_ == 0 || !conversion_.Open(format)) return false;
    source_ = OpenSound(output, format);
    if (!source_) {
        Close(SoundEnd::Stop);
        return false;
    }
    completion_ = std::make_shared<Completion>();
    for (auto& buffer : buffers_) buffer.assign(bufferSize_, 0);

    if (!FillBuffer()) {
        Close(SoundEnd::Stop);
        return false;
    }
    signals_.SetSource(source_);
    signals_.startedEvent.Set();

    bool stopped = false;
    for (;;) {
        if (!endReached_ && completion_->outstanding.load() < 2) {
            if (!FillBuffer()) {
                Close(SoundEnd::Stop);
                return false;
            }
            continue;
        }
        if (endReached_ && completion_->outstanding.load() == 0) break;
        const int woken = platform::WaitForAny({&completion_->bufferEvent, &signals_.stopEvent}, kWaitSliceMs);
        if (woken == 1) {
            stopped = true;
            break;
        }
        // Reset before `outstanding` is read again: a buffer that ends after
        // this sets the event anew.
        if (woken == 0) completion_->bufferEvent.Reset();
    }

    Close(stopped ? SoundEnd::Stop : SoundEnd::Finish);
    signals_.finishedEvent.Set();
    return true;
}

// Converts the next chunk into the buffer at bufferIndex and queues it. The
// first chunk starts the stream the conversion opened; the last is what
// remains, and the end is reached once the conversion has given out all it
// was fed (a buffer that filled up leaves the rest for the next one).
bool CMP3Decoder::FillBuffer() {
    const size_t remaining = frames_.size() - consumed_;
    const size_t length = std::min(remaining, kMp3ChunkLength);
    std::vector<uint8_t>& buffer = buffers_[static_cast<size_t>(bufferIndex_)];
    const std::optional<size_t> produced = conversion_.Convert(frames_.subspan(consumed_, length), buffer);
    if (!produced) return false;
    consumed_ += length;
    if (consumed_ >= frames_.size() && conversion_.Drained()) endReached_ = true;

    completion_->bufferEvent.Reset();
    if (*produced > 0) {
        completion_->outstanding.fetch_add(1);
        std::shared_ptr<Completion> completion = completion_;
        const bool queued = source_->Put(std::span<const uint8_t>(buffer.data(), *produced), [completion] {
            completion->outstanding.fetch_sub(1);
            completion->bufferEvent.Set();
        });
        if (!queued) return false;
        queuedBytes_ += *produced;
        bufferIndex_ ^= 1;
    }
    return true;
}

void CMP3Decoder::Close(SoundEnd end) {
    conversion_.Close();
    if (source_ && end == SoundEnd::Finish) {
        // The last samples may still sit in the mixer's converter: the play
        // ends once they have been heard (or at a stop), as a device that is
        // reset only after its last buffer came back.
        source_->Finish();
        const platform::Event* events[] = {&source_->Ended(), &signals_.stopEvent};
        while (platform::WaitForAny(events, kWaitSliceMs) < 0) {}
        if (signals_.stopEvent.IsSet()) end = SoundEnd::Stop;
    }
    if (source_ && end == SoundEnd::Stop) source_->Stop();
    signals_.SetSource(nullptr);
    source_.reset();
    completion_.reset();
    for (auto& buffer : buffers_) std::vector<uint8_t>().swap(buffer);
}

}  // namespace korv
