// A small pool of spare entry records linked through their UnNext field. Records beyond
// the pool's capacity are freed.
#pragma once

namespace vell {

template <typename T, int Capacity> class FreePool {
  public:
    FreePool() = default;
    FreePool(const FreePool&) = delete;
    FreePool& operator=(const FreePool&) = delete;
    ~FreePool() {
        while (head_)
            delete Pop();
    }

    // A spare record, or a new one when the pool is empty.
    T* Take() { return head_ ? Pop() : new T; }
    // Keeps the record for reuse, or frees it when the pool is full.
    void Give(T* item) {
        if (count_ >= Capacity) {
            delete item;
            return;
        }
        item->UnNext = head_;
        head_ = item;
        ++count_;
    }
    int Count() const { return count_; }

  private:
    T* Pop() {
        T* item = head_;
        head_ = item->UnNext;
        item->UnNext = nullptr;
        --count_;
        return item;
    }

    T* head_ = nullptr;
    int count_ = 0;
};

} // namespace vell
