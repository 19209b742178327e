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
    for (int i = 0; i < list.Count(); ++i)
        items.push_back(reinterpret_cast<TRdGraphic*>(list.Get(i)));
    return items;
}
} // namespace

TRdGraphic::~TRdGraphic() {
    UnlinkAll();
}

// Called under the monitor.
TPointerQuick* TRdGraphic::links(bool create) {
    TPointerQuick* list = FRdgList.load();
    if (!list && create) {
        list = new TPointerQuick;
        FRdgList.store(list);
    }
    return list;
}

// The list is read under the monitor: UnlinkAll closes and frees it under the same lock, so
// a caller on another thread never holds a list that has gone.
bool TRdGraphic::AddLink(TRdGraphic* link) {
    std::lock_guard lock(monitor_);
    TPointerQuick* list = links(true);
    if (list == kClosedLinks) return false;
    if (list->IndexOf(reinterpret_cast<PtrInt>(link)) < 0) list->Add(reinterpret_cast<PtrInt>(link));
    return true;
}

void TRdGraphic::RemoveLink(TRdGraphic* link) {
    std::lock_guard lock(monitor_);
    TPointerQuick* list = links(false);
    if (!list || list == kClosedLinks) return;
    list->Remove(reinterpret_cast<PtrInt>(link));
}

int TRdGraphic::LinkCount() {
    std::lock_guard lock(monitor_);
    TPointerQuick* list = links(false);
    if (!list || list == kClosedLinks) return 0;
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
    std::lock_guard lock(monitor_);
    TPointerQuick* list = links(false);
    if (!list || list == kClosedLinks) return;
    // A linked graphic may unlink itself while it hears the change: walk a copy.
    const std::vector<TRdGraphic*> items = snapshot(*list);
    for (TRdGraphic* link : items)
        link->ChangedEx(0, sender);
}

void TRdGraphic::Changed(TGraphic* sender) {
    NotifyLinks(sender);
    TGraphic::Changed(sender);
}

void TRdGraphic::DrawTransparent(HDC dc, const RECT& rect, uint8_t opacity) {
    DrawRect(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0, 0, Width(), Height(),
             opacity == 255 ? -1 : opacity, false, psfDefault, nullptr);
}

void TRdGraphic::UnlinkAll() {
    std::lock_guard lock(monitor_);
    TPointerQuick* list = FRdgList.exchange(kClosedLinks);
    if (!list || list == kClosedLinks) return;
    for (TRdGraphic* link : snapshot(*list)) {
        if (!link->LinksTo(this)) continue;
        // The link goes first: whoever redraws on hearing the change must not reach
        // this graphic again through it.
        link->ClearLinkTo(this);
        link->ChangedEx(-1, nullptr);
    }
    delete list;
}

} // namespace vell::image
