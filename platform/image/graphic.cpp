#include "platform/image/graphic.h"

#include "platform/stream/file_stream.h"

#include <algorithm>
#include <vector>

namespace vell::image {

void TGraphic::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Changed(this);
}

void TGraphic::SetModified(bool value) {
    if (value)
        Changed(this);
    else
        modified_ = false;
}

void TGraphic::LoadFromFile(const std::wstring& path) {
    TMemoryStream stream = LoadFileToMemory(path);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::wstring& path) {
    TMemoryStream stream;
    SaveToStream(stream);
    SaveMemoryToFile(stream, path);
}

void TGraphic::Assign(TGraphic* source) {
    throw Exception("Cannot assign to a picture of this kind");
}

void TGraphic::Changed(TGraphic* sender) {
    modified_ = true;
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------

namespace {
TPointerQuick* const kClosedLinks = reinterpret_cast<TPointerQuick*>(1);

std::vector<TRdGraphic*> snapshot(TPointerQuick& list) {
    std::vector<TRdGraphic*> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(reinterpret_cast<TRdGraphic*>(list.Get(i)));
    return items;
}
} // namespace

TRdGraphic::~TRdGraphic() { UnlinkAll(); }

TPointerQuick* TRdGraphic::links(bool create) {
    TPointerQuick* list = FRdgList.load();
    if (list || !create) return list;
    auto* fresh = new TPointerQuick;
    if (FRdgList.compare_exchange_strong(list, fresh)) return fresh;
    delete fresh; // another thread won; `list` now holds its value
    return list;
}

bool TRdGraphic::AddLink(TRdGraphic* link) {
    TPointerQuick* list = links(true);
    if (list == kClosedLinks) return false;
    std::lock_guard lock(monitor_);
    if (list->IndexOf(reinterpret_cast<PtrInt>(link)) < 0) list->Add(reinterpret_cast<PtrInt>(link));
    return true;
}

void TRdGraphic::RemoveLink(TRdGraphic* link) {
    TPointerQuick* list = links(false);
    if (!list || list == kClosedLinks) return;
    std::lock_guard lock(monitor_);
    list->Remove(reinterpret_cast<PtrInt>(link));
}

int TRdGraphic::LinkCount() {
    TPointerQuick* list = links(false);
    if (!list || list == kClosedLinks) return 0;
    std::lock_guard lock(monitor_);
    return list->Count();
}

void TRdGraphic::ChangedEx(intptr_t modFlag, TGraphic* sender) {
    if (modFlag == 1)
        modified_ = false;
    else if (modFlag != 0 && modFlag != -1)
        modified_ = *reinterpret_cast<const bool*>(modFlag);
    NotifyLinks(sender ? sender : this);
    if (OnChange) OnChange(this);
}

void TRdGraphic::NotifyLinks(TGraphic* sender) {
    TPointerQuick* list = links(false);
    if (!list || list == kClosedLinks) return;
    std::lock_guard lock(monitor_);
    // A linked graphic may unlink itself while it hears the change: walk a copy.
    const std::vector<TRdGraphic*> items = snapshot(*list);
    for (TRdGraphic* link : items) link->ChangedEx(0, sender);
}

void TRdGraphic::Changed(TGraphic* sender) {
    NotifyLinks(sender);
    TGraphic::Changed(sender);
}

void TRdGraphic::UnlinkAll() {
    TPointerQuick* list = FRdgList.exchange(kClosedLinks);
    if (!list || list == kClosedLinks) return;
    {
        std::lock_guard lock(monitor_);
        for (TRdGraphic* link : snapshot(*list)) {
            if (!link->LinksTo(this)) continue;
            // The link goes first: whoever redraws on hearing the change must not reach
            // this graphic again through it.
            link->ClearLinkTo(this);
            link->ChangedEx(-1, nullptr);
        }
    }
    delete list;
}

} // namespace vell::image
