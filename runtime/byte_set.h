#pragma once
// A byte set: pictures, sounds and file contents travel as these. It reads
// like a std::vector<uint8_t>, but copies share one buffer until one of them
// is changed, so a 4 MB picture handed from box to box costs a reference
// count instead of a copy. Reference counts are atomic: sound workers hold
// byte sets too.
//
// Any access that could change the bytes (non-const data(), iterators,
// operator[], the mutators) first gives this set a buffer of its own. A set
// that handed out a writable pointer or reference keeps its buffer to
// itself: later copies of it copy the bytes, so a write through that
// pointer never shows in a copy, as with a vector.

#include <algorithm>
#include <atomic>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace byte_set_detail {

// Leaves new bytes uncleared, so that a buffer about to be overwritten (a
// file read into it) is not written twice. Bytes clears what it grows.
template <typename T>
struct Uncleared : std::allocator<T> {
    using value_type = T;
    template <typename U>
    struct rebind {
        using other = Uncleared<U>;
    };
    Uncleared() noexcept = default;
    template <typename U>
    Uncleared(const Uncleared<U>&) noexcept
    {
    }
    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

} // namespace byte_set_detail

class Bytes {
public:
    using value_type = uint8_t;
    using size_type = size_t;
    using difference_type = std::ptrdiff_t;
    using reference = uint8_t&;
    using const_reference = const uint8_t&;
    using pointer = uint8_t*;
    using const_pointer = const uint8_t*;
    using iterator = uint8_t*;
    using const_iterator = const uint8_t*;

    Bytes() noexcept = default;
    explicit Bytes(size_t count) : buf_(make(count, uint8_t{0})) {}
    Bytes(size_t count, uint8_t value) : buf_(make(count, value)) {}
    Bytes(std::initializer_list<uint8_t> init) : buf_(make(init)) {}
    template <std::input_iterator It>
    Bytes(It first, It last) : buf_(make(first, last))
    {
    }
    Bytes(const std::vector<uint8_t>& bytes) : Bytes(bytes.begin(), bytes.end()) {}

    // A set of at most `capacity` bytes, written by fill(data, capacity),
    // which returns how many it wrote. They are not cleared first.
    template <typename Fill>
    static Bytes filled(size_t capacity, Fill fill)
    {
        Bytes b;
        b.buf_ = make();
        b.buf_->resize(capacity);
        const size_t written = fill(b.buf_->data(), capacity);
        b.buf_->resize(written < capacity ? written : capacity);
        return b;
    }

    Bytes(const Bytes& other) : buf_(other.exclusive_ ? clone(other.buf_) : other.buf_) {}
    Bytes(Bytes&& other) noexcept
        : buf_(std::move(other.buf_)), exclusive_(std::exchange(other.exclusive_, false))
    {
    }
    Bytes& operator=(const Bytes& other)
    {
        if (this != &other) {
            Bytes copy(other);
            swap(copy);
        }
        return *this;
    }
    Bytes& operator=(Bytes&& other) noexcept
    {
        Bytes taken(std::move(other));
        swap(taken);
        return *this;
    }
    Bytes& operator=(std::initializer_list<uint8_t> init) { return *this = Bytes(init); }
    ~Bytes() = default;

    void swap(Bytes& other) noexcept
    {
        buf_.swap(other.buf_);
        std::swap(exclusive_, other.exclusive_);
    }
    friend void swap(Bytes& a, Bytes& b) noexcept { a.swap(b); }

    size_t size() const noexcept { return buf_ ? buf_->size() : 0; }
    bool empty() const noexcept { return size() == 0; }
    size_t capacity() const noexcept { return buf_ ? buf_->capacity() : 0; }

    const uint8_t* data() const noexcept { return buf_ ? buf_->data() : nullptr; }
    const_iterator begin() const noexcept { return data(); }
    const_iterator end() const noexcept { return data() + size(); }
    const_iterator cbegin() const noexcept { return begin(); }
    const_iterator cend() const noexcept { return end(); }
    const uint8_t& operator[](size_t i) const { return (*buf_)[i]; }
    const uint8_t& at(size_t i) const { return checked().at(i); }
    const uint8_t& front() const { return buf_->front(); }
    const uint8_t& back() const { return buf_->back(); }

    uint8_t* data() { return buf_ ? writable().data() : nullptr; }
    iterator begin() { return data(); }
    iterator end() { return data() + size(); }
    uint8_t& operator[](size_t i) { return writable()[i]; }
    uint8_t& at(size_t i) { return writable().at(i); }
    uint8_t& front() { return writable().front(); }
    uint8_t& back() { return writable().back(); }

    void push_back(uint8_t b) { own().push_back(b); }
    void pop_back() { own().pop_back(); }
    void resize(size_t n) { own().resize(n, 0); }
    void resize(size_t n, uint8_t value) { own().resize(n, value); }
    void reserve(size_t n) { own().reserve(n); }
    void clear() noexcept
    {
        buf_.reset();
        exclusive_ = false;
    }
    template <std::input_iterator It>
    void assign(It first, It last)
    {
        *this = Bytes(first, last);
    }
    void assign(size_t count, uint8_t value) { *this = Bytes(count, value); }

    // Positions are iterators of this set, const or not.
    template <std::input_iterator It>
    void insert(const_iterator pos, It first, It last)
    {
        const auto at = pos - cbegin();
        Store& v = own();
        v.insert(v.begin() + at, first, last);
    }
    void insert(const_iterator pos, std::initializer_list<uint8_t> init) { insert(pos, init.begin(), init.end()); }
    void insert(const_iterator pos, size_t count, uint8_t value)
    {
        const auto at = pos - cbegin();
        Store& v = own();
        v.insert(v.begin() + at, count, value);
    }
    void insert(const_iterator pos, uint8_t value) { insert(pos, size_t{1}, value); }
    void erase(const_iterator first, const_iterator last)
    {
        const auto from = first - cbegin();
        const auto to = last - cbegin();
        Store& v = own();
        v.erase(v.begin() + from, v.begin() + to);
    }
    void erase(const_iterator pos) { erase(pos, pos + 1); }

    // The platform layer takes plain vectors: a byte set converts to one,
    // by copying.
    operator std::vector<uint8_t>() const { return std::vector<uint8_t>(begin(), end()); }

    // The writable pointers this set handed out are used no more: copies
    // may share its buffer again.
    void settle() noexcept { exclusive_ = false; }

    // How many sets hold this one's buffer, itself included; 0 without one.
    // While other threads copy or drop them, only a hint.
    long use_count() const noexcept { return buf_.use_count(); }

    // True when both hold the very same buffer, so also the same bytes.
    bool shares_buffer_with(const Bytes& other) const noexcept { return buf_ && buf_ == other.buf_; }

    friend bool operator==(const Bytes& a, const Bytes& b) noexcept
    {
        if (a.size() != b.size())
            return false;
        return a.buf_ == b.buf_ || a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0;
    }
    friend std::strong_ordering operator<=>(const Bytes& a, const Bytes& b) noexcept
    {
        const size_t common = std::min(a.size(), b.size());
        const int c = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
        if (c != 0)
            return c < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
        return a.size() <=> b.size();
    }

private:
    using Store = std::vector<uint8_t, byte_set_detail::Uncleared<uint8_t>>;
    using Buffer = std::shared_ptr<Store>;

    template <typename... Args>
    static Buffer make(Args&&... args)
    {
        return std::make_shared<Store>(std::forward<Args>(args)...);
    }
    static Buffer clone(const Buffer& b) { return b ? make(*b) : nullptr; }

    const Store& checked() const noexcept
    {
        static const Store none;
        return buf_ ? *buf_ : none;
    }

    // Only this set holds the buffer. The count is read relaxed; the fence
    // orders our writes after whatever the last other holder did with the
    // bytes before it let go.
    bool sole_holder() const noexcept
    {
        if (buf_.use_count() != 1)
            return false;
        std::atomic_thread_fence(std::memory_order_acquire);
        return true;
    }

    // A buffer of this set's own, to change.
    Store& own()
    {
        if (!buf_)
            buf_ = make();
        else if (!sole_holder())
            buf_ = clone(buf_);
        return *buf_;
    }

    // The same, for an access that hands a writable pointer out.
    Store& writable()
    {
        Store& v = own();
        exclusive_ = true;
        return v;
    }

    Buffer buf_;             // null: empty
    bool exclusive_ = false; // a writable pointer went out: copies copy
};
