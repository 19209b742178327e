// TRdgImage's animation: the frame a reference shows, stepping through the play list,
// and the timer that drives it.
//
// The play list (core/rdg/play_script.h) holds frames, jumps and duration markers. A
// draw starts the timer; each tick moves one frame on and announces a change, so whoever
// shows the graphic repaints and the next draw resolves the new frame's picture. A timer
// that ticks for a while without anybody drawing is freed; the next draw starts again.
#include "platform/image/rdg_image.h"

#include "platform/image/rdg_image_internal.h"
#include "platform/image/resolver.h"
#include "platform/timer/rd_timer.h"
#include "platform/timer/tick64.h"

#include <algorithm>

namespace vell::image {

using namespace rdg_detail;
using rdg::PlayEntry;
using rdg::PlayEntryKind;

namespace {

uint32_t intervalOf(int ms) {
    return ms < 0 ? 0u : uint32_t(ms);
}

} // namespace

int TRdgImage::ListCount() const {
    return FV.PlayIndexList ? int(FV.PlayIndexList->entries.size()) : 0;
}

uint64_t TRdgImage::PlayTick() const {
    return win::Tick64();
}

win::TRdTimer& TRdgImage::EnsureTimer() {
    if (!FTimer) {
        FRetiredTimer.reset();
        FTimer = std::make_unique<win::TRdTimer>();
        FTimer->SetEnabled(false);
        FTimer->SetInterval(0);
        FTimer->SetOnTimer([this](tk::TObject*) { NextFrame(true); });
    }
    return *FTimer;
}

void TRdgImage::RetireTimer() {
    if (!FTimer) return;
    FTimer->SetEnabled(false);
    // This may run inside the timer's own tick: the object lives on until the next start.
    FRetiredTimer = std::move(FTimer);
}

// The interval of a timer that was just made: a duration of its own is spread over the
// list; otherwise a leading duration marker gives the first group's interval.
void TRdgImage::InitTimerInterval() {
    const int count = ListCount();
    if (count == 0) return;
    const PlayEntry& first = FV.PlayIndexList->entries.front();
    if (!FV.DurationCustom && first.kind == PlayEntryKind::Duration) {
        FV.Duration = first.total;
        FTimer->SetInterval(intervalOf(first.value));
    } else {
        FTimer->SetInterval(intervalOf(FV.Duration / count));
    }
}

TRdGraphic* TRdgImage::ResolveLink() {
    if (!FImgLnk && !FV.ImgName.empty()) SetImageLink(ResolveImageName(FV.ImgName), false);
    if (FV.PlayImgNameBase.empty() || FV.PlayIndex < 0) return FImgLnk;
    if (FPlayImgLnk) return FPlayImgLnk;
    const int count = ListCount();
    int frame = FV.PlayIndex;
    if (count > 0 && FV.PlayIndex < count) {
        --FV.PlayIndex;
        NextFrame(false);
        // A jump may land on a duration marker; the frame is the next frame entry.
        for (int i = 0;
             i < count && FV.PlayIndexList->entries[size_t(FV.PlayIndex)].kind != PlayEntryKind::Frame; ++i)
            NextFrame(false);
        const PlayEntry& e = FV.PlayIndexList->entries[size_t(FV.PlayIndex)];
        frame = e.kind == PlayEntryKind::Frame ? e.value : FV.PlayIndex;
        if (!FTimer && FV.Duration > 0) {
            EnsureTimer();
            InitTimerInterval();
        }
    }
    SetPlayLink(ResolveImageName(rdg::FrameName(FV.PlayImgNameBase, frame)));
    return FPlayImgLnk;
}

void TRdgImage::NextFrame(bool fromTimer) {
    if (fromTimer && lastPlayTick != 0) {
        const uint64_t interval = FTimer ? FTimer->Interval() : 0;
        const uint64_t idle = std::max<uint64_t>(3 * interval, 3000);
        if (PlayTick() - lastPlayTick > idle) {
            // Nobody has drawn this graphic for a while: stop until the next draw.
            lastPlayTick = 0;
            RetireTimer();
            return;
        }
    }
    const int count = ListCount();
    int& index = FV.PlayIndex;
    if (count > 0) {
        const auto& entries = FV.PlayIndexList->entries;
        // Markers are passed over; a list is never all markers, but a step stays bounded.
        for (int step = 0; step <= count; ++step) {
            index = std::clamp(index < INT_MAX ? index + 1 : index, 0, count - 1);
            const PlayEntry& e = entries[size_t(index)];
            if (e.kind == PlayEntryKind::Frame) break;
            if (e.kind == PlayEntryKind::Jump) {
                index = std::clamp(e.value, 0, count - 1);
                break;
            }
            win::TRdTimer& timer = EnsureTimer();
            if (FV.DurationCustom) {
                timer.SetInterval(intervalOf(FV.Duration / count));
            } else {
                FV.Duration = e.total;
                timer.SetInterval(intervalOf(e.value));
            }
        }
    } else {
        const int first = FV.PlayFirst, last = FV.PlayLast;
        if (first <= last) {
            if (index > last)
                index = last;
            else if (index < first)
                index = first;
            else
                index = index >= last ? first : index + 1;
        } else {
            if (index > first)
                index = first;
            else if (index < last)
                index = last;
            else
                index = index <= last ? first : index - 1;
        }
    }
    if (fromTimer) {
        SetPlayLink(nullptr);
        ChangedEx(-1, nullptr);
    }
}

void TRdgImage::StartPlay() {
    if (FV.Duration > 0 && FV.PlayIndex >= 0) {
        if (!FTimer) {
            EnsureTimer();
            InitTimerInterval();
        }
        FRetiredTimer.reset();
        const uint64_t now = PlayTick();
        lastPlayTick = now ? now : 1;
        FTimer->SetEnabled(true);
    } else if (FTimer) {
        FTimer->SetEnabled(false);
    }
}

void TRdgImage::SetDuration(int value) {
    if (value == FV.Duration) return;
    const int count = ListCount();
    if (value == -1) {
        FV.DurationCustom = false;
        FV.Duration = -1;
        if (count > 0 && FV.PlayIndexList->entries.front().kind == PlayEntryKind::Duration) {
            const PlayEntry& first = FV.PlayIndexList->entries.front();
            FV.Duration = first.total;
            if (FTimer) FTimer->SetInterval(intervalOf(first.value));
        }
        Changed(this);
        return;
    }
    FV.Duration = value;
    FV.DurationCustom = true;
    if (FTimer) {
        if (value > 0 && count > 0)
            FTimer->SetInterval(intervalOf(value / count));
        else
            FTimer->SetEnabled(false);
    }
    Changed(this);
}

void TRdgImage::SetPlayIndex(int value) {
    if (value == FV.PlayIndex) return;
    const int count = ListCount();
    if (count > 0) value = std::clamp(value, 0, count - 1);
    FV.PlayIndex = value;
    SetPlayLink(nullptr);
    ChangedEx(-1, nullptr);
}

} // namespace vell::image
