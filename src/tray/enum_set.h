#pragma once
#include <initializer_list>

// A set of the members of a small enumeration (at most 32), held as bits: bit N for the member
// with value N.
template <class E> class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> members)
    {
        for (E e : members)
            FBits |= Bit(e);
    }
    static constexpr TEnumSet FromBits(unsigned bits)
    {
        TEnumSet s;
        s.FBits = bits;
        return s;
    }
    constexpr unsigned Bits() const { return FBits; }
    constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    TEnumSet& Include(E e)
    {
        FBits |= Bit(e);
        return *this;
    }
    TEnumSet& Exclude(E e)
    {
        FBits &= ~Bit(e);
        return *this;
    }
    constexpr TEnumSet With(E e) const { return FromBits(FBits | Bit(e)); }
    constexpr TEnumSet Without(E e) const { return FromBits(FBits & ~Bit(e)); }
    constexpr bool operator==(const TEnumSet& o) const { return FBits == o.FBits; }
    constexpr bool operator!=(const TEnumSet& o) const { return FBits != o.FBits; }

private:
    static constexpr unsigned Bit(E e) { return 1u << static_cast<unsigned>(e); }
    unsigned FBits = 0;
};
