#include "patchgen/vcdiff_writer.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace patchgen {

namespace {

using u8 = std::uint8_t;
using u64 = std::uint64_t;

// Header: the magic "VCD" with the high bits set, version 0, no indicator bits.
constexpr std::array<u8, 5> header = {0xD6, 0xC3, 0xC4, 0x00, 0x00};
constexpr u8 vcd_source = 0x01;

// Runs shorter than this cost less as plain ADD bytes.
constexpr std::size_t min_run = 8;

void put_varint(std::vector<u8>& out, u64 v) {
    // Base 128, most significant digit first, the high bit on all but the last.
    u8 buf[10];
    int n = 0;
    do {
        buf[n++] = static_cast<u8>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 1) out.push_back(static_cast<u8>(buf[--n] | 0x80));
    out.push_back(buf[0]);
}

// The address cache both sides keep per window: 4 recent addresses ("near")
// and 3 x 256 slots by address ("same").
class AddressCache {
public:
    static constexpr int near_slots = 4;
    static constexpr int same_slots = 3;
    static constexpr u8 mode_self = 0, mode_here = 1, mode_near = 2, mode_same = 2 + near_slots;

    // Appends addr's encoding to `addresses` and returns its mode.
    u8 encode(u64 addr, u64 here, std::vector<u8>& addresses) {
        u64 best = addr;
        u8 mode = mode_self;
        if (here - addr < best) best = here - addr, mode = mode_here;
        for (int i = 0; i < near_slots; ++i) {
            if (addr >= near_[i] && addr - near_[i] < best) best = addr - near_[i], mode = static_cast<u8>(mode_near + i);
        }
        const u64 slot = addr % (same_slots * 256);
        if (same_[slot] == addr) {
            mode = static_cast<u8>(mode_same + slot / 256);
            addresses.push_back(static_cast<u8>(slot % 256));
        } else {
            put_varint(addresses, best);
        }
        near_[next_] = addr;
        next_ = (next_ + 1) % near_slots;
        same_[slot] = addr;
        return mode;
    }

private:
    std::array<u64, near_slots> near_{};
    std::array<u64, same_slots * 256> same_{};
    int next_ = 0;
};

// Instruction codes of the default table, and the pairs it can merge into one
// code: ADD 1-4 then COPY 4-6 (modes 0-5) or COPY 4 (modes 6-8); COPY 4 then ADD 1.
class Instructions {
public:
    explicit Instructions(std::vector<u8>& out) : out_(out) {}

    void add(u64 size) { push({Kind::add, size, 0}); }
    void run(u64 size) { push({Kind::run, size, 0}); }
    void copy(u64 size, u8 mode) { push({Kind::copy, size, mode}); }
    void finish() {
        if (has_pending_) single(pending_);
        has_pending_ = false;
    }

private:
    enum class Kind { add, run, copy };
    struct Inst {
        Kind kind;
        u64 size;
        u8 mode;  // copies only
    };

    void push(Inst next) {
        if (has_pending_) {
            const Inst prev = pending_;
            has_pending_ = false;
            if (prev.kind == Kind::add && prev.size >= 1 && prev.size <= 4 && next.kind == Kind::copy) {
                if (next.mode <= 5 && next.size >= 4 && next.size <= 6) {
                    out_.push_back(static_cast<u8>(163 + next.mode * 12 + (prev.size - 1) * 3 + (next.size - 4)));
                    return;
                }
                if (next.mode >= 6 && next.size == 4) {
                    out_.push_back(static_cast<u8>(235 + (next.mode - 6) * 4 + (prev.size - 1)));
                    return;
                }
            }
            if (prev.kind == Kind::copy && prev.size == 4 && next.kind == Kind::add && next.size == 1) {
                out_.push_back(static_cast<u8>(247 + prev.mode));
                return;
            }
            single(prev);
        }
        pending_ = next;
        has_pending_ = true;
    }

    void single(const Inst& i) {
        switch (i.kind) {
        case Kind::run:
            out_.push_back(0);
            put_varint(out_, i.size);
            break;
        case Kind::add:
            if (i.size <= 17) {
                out_.push_back(static_cast<u8>(1 + i.size));
            } else {
                out_.push_back(1);
                put_varint(out_, i.size);
            }
            break;
        case Kind::copy:
            if (i.size >= 4 && i.size <= 18) {
                out_.push_back(static_cast<u8>(19 + i.mode * 16 + (i.size - 3)));
            } else {
                out_.push_back(static_cast<u8>(19 + i.mode * 16));
                put_varint(out_, i.size);
            }
            break;
        }
    }

    std::vector<u8>& out_;
    Inst pending_{Kind::add, 0, 0};
    bool has_pending_ = false;
};

class Output {
public:
    explicit Output(std::FILE* f) : f_(f) {}
    void write(const u8* p, std::size_t n) {
        if (n != 0 && std::fwrite(p, 1, n, f_) != n) throw std::runtime_error("cannot write the delta");
        bytes_ += n;
    }
    void write(const std::vector<u8>& v) { write(v.data(), v.size()); }
    [[nodiscard]] u64 bytes() const noexcept { return bytes_; }

private:
    std::FILE* f_;
    u64 bytes_ = 0;
};

struct Piece {
    u64 target;  // offset in the new file
    u64 length;
    bool copied;
    u64 source;  // offset in the old file when copied
};

// The window's new bytes as pieces: copies, and the bytes between them.
std::vector<Piece> window_pieces(u64 begin, u64 end, const std::vector<Copy>& copies, std::size_t& next_copy) {
    std::vector<Piece> pieces;
    u64 at = begin;
    while (at < end) {
        while (next_copy < copies.size() && copies[next_copy].target + copies[next_copy].length <= at) ++next_copy;
        if (next_copy < copies.size() && copies[next_copy].target < end) {
            const Copy& c = copies[next_copy];
            if (c.target > at) {
                pieces.push_back({at, c.target - at, false, 0});
                at = c.target;
            }
            const u64 stop = std::min(end, c.target + c.length);
            pieces.push_back({at, stop - at, true, c.source + (at - c.target)});
            at = stop;
        } else {
            pieces.push_back({at, end - at, false, 0});
            at = end;
        }
    }
    return pieces;
}

}  // namespace

DeltaFigures write_vcdiff(std::FILE* out, std::span<const u8> new_bytes, const std::vector<Copy>& copies) {
    Output file(out);
    DeltaFigures figures;
    file.write(header.data(), header.size());

    std::vector<u8> data, inst, addr, body, head;
    std::size_t next_copy = 0;
    // An empty new file still gets one (empty) window: a delta of no window
    // at all is refused by decoders ("nothing to output").
    for (u64 begin = 0, end = 0; figures.windows == 0 || begin < new_bytes.size(); begin = end) {
        end = std::min<u64>(new_bytes.size(), begin + max_window);
        const std::vector<Piece> pieces = window_pieces(begin, end, copies, next_copy);

        // The source segment: the span of old bytes this window copies from,
        // so addresses count from its first byte.
        u64 lo = UINT64_MAX, hi = 0;
        for (const Piece& p : pieces) {
            if (p.copied) lo = std::min(lo, p.source), hi = std::max(hi, p.source + p.length);
        }
        const bool has_source = lo < hi;
        const u64 segment = has_source ? hi - lo : 0;

        data.clear();
        inst.clear();
        addr.clear();
        AddressCache cache;
        Instructions codes(inst);
        for (const Piece& p : pieces) {
            if (p.copied) {
                const u64 here = segment + (p.target - begin);
                codes.copy(p.length, cache.encode(p.source - lo, here, addr));
                figures.copied += p.length;
                continue;
            }
            figures.added += p.length;
            // New bytes: runs of one value as RUN, the rest as ADD.
            const u8* b = new_bytes.data() + p.target;
            std::size_t lit = 0, i = 0;
            while (i < p.length) {
                std::size_t j = i + 1;
                while (j < p.length && b[j] == b[i]) ++j;
                if (j - i >= min_run) {
                    if (i > lit) {
                        codes.add(i - lit);
                        data.insert(data.end(), b + lit, b + i);
                    }
                    codes.run(j - i);
                    data.push_back(b[i]);
                    lit = j;
                }
                i = j;
            }
            if (p.length > lit) {
                codes.add(p.length - lit);
                data.insert(data.end(), b + lit, b + p.length);
            }
        }
        codes.finish();

        body.clear();
        put_varint(body, end - begin);
        body.push_back(0);  // Delta_Indicator: no section is compressed
        put_varint(body, data.size());
        put_varint(body, inst.size());
        put_varint(body, addr.size());

        head.clear();
        head.push_back(has_source ? vcd_source : 0);
        if (has_source) {
            put_varint(head, segment);
            put_varint(head, lo);
        }
        put_varint(head, body.size() + data.size() + inst.size() + addr.size());
        file.write(head);
        file.write(body);
        file.write(data);
        file.write(inst);
        file.write(addr);
        ++figures.windows;
    }
    figures.bytes = file.bytes();
    return figures;
}

}  // namespace patchgen
