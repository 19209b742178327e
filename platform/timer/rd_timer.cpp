#include "platform/timer/rd_timer.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <unordered_map>

namespace vell::win {

namespace {

// Timer identifiers map to their objects; the system calls one shared procedure.
std::mutex gMapLock;
std::unordered_map<UINT_PTR, TRdTimer*> gTimers;
std::atomic<int> gLiveTimerCount{0};
thread_local bool tExceptionActive = false;

std::mutex gHandlerLock;
TRdTimer::ExceptionHandler gHandler;

std::string systemErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result;
    if (n && text) {
        std::wstring w(text, n);
        while (!w.empty() && (w.back() == L'\r' || w.back() == L'\n' || w.back() == L' '))
            w.pop_back();
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                              nullptr, nullptr);
        result.resize(static_cast<size_t>(bytes > 0 ? bytes : 0));
        if (bytes > 0)
            WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), result.data(), bytes,
                                nullptr, nullptr);
    }
    if (text) LocalFree(text);
    if (result.empty()) result = "System error " + std::to_string(code);
    return result;
}

void reportToDebugger(TRdTimer*, std::exception_ptr error) {
    std::string text = "TRdTimer: OnTimer failed";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text += ": ";
        text += e.what();
    } catch (...) {
    }
    text += "\n";
    OutputDebugStringA(text.c_str());
}

} // namespace

struct TimerDispatch {
    static void CALLBACK proc(HWND, UINT, UINT_PTR id, DWORD) {
        TRdTimer* timer = nullptr;
        {
            std::lock_guard<std::mutex> lock(gMapLock);
            const auto it = gTimers.find(id);
            if (it != gTimers.end()) timer = it->second;
        }
        if (!timer) {
            KillTimer(nullptr, id);
            return;
        }
        if (tExceptionActive) return;
        // Nothing may unwind into the system's dispatch code: every failure is reported.
        try {
            timer->Timer();
        } catch (...) {
            tExceptionActive = true;
            ExceptionHandler handler;
            {
                std::lock_guard<std::mutex> lock(gHandlerLock);
                handler = gHandler;
            }
            try {
                (handler ? handler : ExceptionHandler(reportToDebugger))(timer, std::current_exception());
            } catch (...) {
            }
            tExceptionActive = false;
        }
    }
    using ExceptionHandler = TRdTimer::ExceptionHandler;
};

struct TimerClass {
    static tk::ClassInfo build() {
        return tk::ClassBuilder<TRdTimer>("TRdTimer", &tk::TComponent::StaticClass())
            .ord("Enabled", tk::BooleanType(), &TRdTimer::Enabled, &TRdTimer::SetEnabled, 1)
            .ord("Interval", tk::CardinalType(), &TRdTimer::Interval, &TRdTimer::SetInterval, 1000)
            .event("OnTimer", &TRdTimer::FOnTimer)
            .build();
    }
};

const tk::ClassInfo& TRdTimer::StaticClass() {
    static const tk::ClassInfo info = TimerClass::build();
    return info;
}

TRdTimer::TRdTimer(tk::TComponent* AOwner) : tk::TComponent(AOwner) {}

void TRdTimer::Loaded() {
    tk::TComponent::Loaded();
    UpdateTimer();
}

TRdTimer::~TRdTimer() {
    FEnabled = false;
    try {
        UpdateTimer();
    } catch (...) {
    }
}

void TRdTimer::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    UpdateTimer();
}

void TRdTimer::SetInterval(uint32_t value) {
    if (value == FInterval) return;
    FInterval = value;
    UpdateTimer();
}

void TRdTimer::SetOnTimer(TNotifyEvent value) {
    const bool had = static_cast<bool>(FOnTimer);
    FOnTimer = std::move(value);
    if (had != static_cast<bool>(FOnTimer)) UpdateTimer();
}

void TRdTimer::Timer() {
    if (FOnTimer) FOnTimer(this);
}

int TRdTimer::LiveTimerCount() {
    return gLiveTimerCount.load();
}

void TRdTimer::SetExceptionHandler(ExceptionHandler handler) {
    std::lock_guard<std::mutex> lock(gHandlerLock);
    gHandler = std::move(handler);
}

void TRdTimer::UpdateTimer() {
    std::lock_guard<std::recursive_mutex> monitor(FMonitor);
    if (FTimerId != 0) {
        if (KillTimer(nullptr, FTimerId)) --gLiveTimerCount;
        std::lock_guard<std::mutex> lock(gMapLock);
        gTimers.erase(FTimerId);
        FTimerId = 0;
    }
    if (FInterval == 0 || !FEnabled || !FOnTimer || InState(tk::csLoading)) return;
    UINT_PTR id = 0;
    for (int attempt = 0; attempt < 3 && id == 0; ++attempt) {
        if (attempt > 0) Sleep(100);
        id = SetTimer(nullptr, 0, FInterval, &TimerDispatch::proc);
    }
    if (id == 0) {
        const DWORD error = GetLastError();
        throw EOutOfResources(systemErrorText(error) + ":" + std::to_string(gLiveTimerCount.load()));
    }
    ++gLiveTimerCount;
    std::lock_guard<std::mutex> lock(gMapLock);
    gTimers[id] = this;
    FTimerId = static_cast<uint32_t>(id);
}

} // namespace vell::win
