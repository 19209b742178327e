// The base of fonts, brushes and pens: an owned GDI handle shared through a process-wide
// cache keyed by its description, so equal fonts share one HFONT.
//
// DiscardCachedGraphicsObjects (run on a skin change) empties the cache and makes every
// font's, brush's and pen's handle stale: the next use creates it anew, with colours
// resolved again. A handle stays alive while a canvas still has it selected. Nothing of
// the objects themselves is touched, so objects on other threads are safe from it.
#pragma once
#include "platform/graphics/graphics_types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vell::tk {

struct GdiHandle;
using SharedGdiHandle = std::shared_ptr<GdiHandle>;
HGDIOBJ gdiHandle(const SharedGdiHandle& h);

// The cached handle for a description (its bytes, tagged by kind), made by create on first
// request; null when create fails.
SharedGdiHandle CachedGdiHandle(char kind, const void* description, size_t size,
                                HGDIOBJ (*create)(const void*));

void DiscardCachedGraphicsObjects();
// Number of handles in the cache (for tests).
size_t CachedGraphicsObjectCount();

class TGraphicsObject : public TPersistent {
    VELL_CLASS_INFO()
  public:
    std::function<void(TGraphicsObject*)> OnChange;
    // The handle, made when there is none or it was discarded since.
    const SharedGdiHandle& SharedHandle();

  protected:
    // The change path of every attribute: drops the handle and tells OnChange.
    virtual void Changed();
    void NotifyChange() {
        if (OnChange) OnChange(this);
    }
    virtual SharedGdiHandle CreateSharedHandle() = 0;
    SharedGdiHandle FHandle;

  private:
    uint32_t FHandleGeneration = 0; // the discard generation FHandle was made in
};

} // namespace vell::tk
