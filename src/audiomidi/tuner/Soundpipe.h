#pragma once

#include <cstddef>
#include <memory>

// The processing context of the pitch tracker: the stream's sample rate and channel count.
struct sp_data {
    int sampleRate = 44100;
    int channelCount = 1;
};

std::unique_ptr<sp_data> sp_data_create();

// A zero-filled heap block of `count` values made once, outside the render thread.
template <typename T>
struct AuxBlock {
    std::size_t size = 0; // bytes
    std::unique_ptr<T[]> ptr;

    T* data() const { return ptr.get(); }
    std::size_t count() const { return size / sizeof(T); }
};

template <typename T>
void sp_aux_alloc(AuxBlock<T>& block, std::size_t count)
{
    block.ptr = std::make_unique<T[]>(count);
    block.size = count * sizeof(T);
}

template <typename T>
void sp_aux_free(AuxBlock<T>& block)
{
    block.ptr.reset();
    block.size = 0;
}
