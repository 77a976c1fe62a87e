#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace qn {

// A growable array of plain values kept in one malloc block. Growing goes
// through realloc, which moves a large block by remapping its pages rather
// than copying them: a list of a million entries never holds its array twice.
template <class T>
class FlatArray {
    static_assert(std::is_trivially_copyable_v<T>, "values are moved as bytes");

public:
    FlatArray() = default;
    FlatArray(const FlatArray &other) { *this = other; }
    FlatArray(FlatArray &&other) noexcept { swap(other); }
    ~FlatArray() { std::free(m_data); }
    FlatArray &operator=(const FlatArray &other)
    {
        if (this != &other) {
            m_size = 0;
            reserve(other.m_size);
            if (other.m_size)
                std::memcpy(static_cast<void *>(m_data), other.m_data, other.m_size * sizeof(T));
            m_size = other.m_size;
        }
        return *this;
    }
    FlatArray &operator=(FlatArray &&other) noexcept
    {
        FlatArray gone(std::move(other));
        swap(gone);
        return *this;
    }
    void swap(FlatArray &other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    size_t capacity() const { return m_capacity; }
    T *data() { return m_data; }
    const T *data() const { return m_data; }
    T &operator[](size_t i) { return m_data[i]; }
    const T &operator[](size_t i) const { return m_data[i]; }
    T &back() { return m_data[m_size - 1]; }

    void reserve(size_t capacity)
    {
        if (capacity <= m_capacity)
            return;
        if (capacity > size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        void *grown = std::realloc(static_cast<void *>(m_data), capacity * sizeof(T));
        if (!grown)
            throw std::bad_alloc();
        m_data = static_cast<T *>(grown);
        m_capacity = capacity;
    }
    // Room for `more` further values, growing by half at least.
    void reserveMore(size_t more)
    {
        if (m_size + more > m_capacity)
            reserve(std::max(m_size + more, m_capacity + m_capacity / 2 + 16));
    }
    void push_back(const T &value)
    {
        reserveMore(1);
        m_data[m_size++] = value;
    }
    void append(const T *values, size_t n)
    {
        reserveMore(n);
        if (n)
            std::memcpy(static_cast<void *>(m_data + m_size), values, n * sizeof(T));
        m_size += n;
    }
    // Shrinking keeps the block; growing leaves the new values unset.
    void resize(size_t n)
    {
        if (n > m_capacity)
            reserve(n);
        m_size = n;
    }
    void pop_back() { --m_size; }
    // Empty, the block given back.
    void release()
    {
        std::free(m_data);
        m_data = nullptr;
        m_size = m_capacity = 0;
    }

private:
    T *m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

} // namespace qn
