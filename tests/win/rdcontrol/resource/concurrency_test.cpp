// Readers of the caches on a drawing thread while the user-interface thread rebuilds them.
#include "tests/win/rdcontrol/resource/resource_test.h"

#include "core/color/colors.h"
#include "platform/image/graphic.h"

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

using namespace vell;
using namespace vell::rdtest;
using rd::TResource;

TEST_F(ResourceTest, ReadersOnAnotherThreadDuringReloadCacheNeverDeadlock) {
    TResource::Register(DemoSkinFolder() + u"public.rcc", true);
    TResource::Register(DemoSkinFolder() + u"black.dll", false);
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    std::thread reader([&] {
        std::vector<std::u16string> lines;
        while (!stop) {
            rd::LoadCachedImage(u"images/app_icon_tip.png");
            rd::LoadCachedImage(u"[img_preview_pannel]");
            TResource::GetColor(u"text.cl_txt_hot", clBlack, true);
            SkinColorToRGB(ColorNameKey(u"text.cl_txt"));
            skin::SkinClassTable& table = rd::ClassTable();
            table.Lock();
            if (skin::TRdValueStrings* s = table.Find(u"TRdLabel", u"label_tip")) s->GetValue(u"Font.Name");
            table.UnLock();
            rd::ImageDefinition(u"[img_preview_pannel]", lines);
            TMemoryStream stream; // a relative path formed while the skin changes
            TResource::LoadStream(stream, u"main.ini");
            ++reads;
        }
        finished.set_value();
    });
    for (int i = 0; i < 30; ++i) {
        TResource::Register(DemoSkinFolder() + (i % 2 ? u"black.dll" : u"black2.dll"), false);
        rd::SetTintColor(i % 3 ? clNone : 0x00FF0000);
    }
    stop = true;
    const bool ended = done.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    if (!ended) {
        reader.detach();
        FAIL() << "the reader thread is stuck";
    }
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(TResource::GetColor(u"text.cl_txt_hot", clBlack, true), 0x00F7F4F2u);
}
