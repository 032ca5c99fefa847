// lumarso-patchgen: writes the delta that turns one edition of the manual
// into the next, as VCDIFF, at build time.
//
//   lumarso-patchgen [options] <old> <new> <out.vcdiff>
//   lumarso-patchgen [options] --pool=<pool.out> <new> <old1> <out1.vcdiff> [<old2> <out2.vcdiff> ...]
//
// The second form writes one delta per old edition and a pool: the new bytes
// that the old editions lack, stored once.  Each delta's source is its old
// edition followed by the pool, so what several editions lack is not carried
// several times.  With one old edition the pool is empty.
//
// Works on any files.  Prints one line of figures per output; exits 0 on
// success, 1 on any failure with the reason, 2 on a wrong command line, 3
// when a delta would be over --max-share percent of the new file (leaving
// no output).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "patchgen/mapped_file.h"
#include "patchgen/matcher.h"
#include "patchgen/vcdiff_writer.h"

namespace {

constexpr const char* usage =
    "usage: lumarso-patchgen [options] <old> <new> <out.vcdiff>\n"
    "       lumarso-patchgen [options] --pool=<pool.out> <new> <old1> <out1.vcdiff> [<old2> <out2.vcdiff> ...]\n"
    "options: --anchors=aligned|content --block=N --spacing=N --max-share=PERCENT\n";

// Gaps shorter than this are cheaper as new bytes in each delta than as a
// copy from the pool (an instruction and an address of a few bytes each).
constexpr std::uint64_t min_pooled = 16;

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

// A delta over the limit: the build is better off with the full archive.
struct TooLarge : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::size_t number(std::string_view text) {
    std::size_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || v > 1'000'000) throw std::invalid_argument("not a number: " + std::string(text));
        v = v * 10 + static_cast<std::size_t>(c - '0');
    }
    if (text.empty()) throw std::invalid_argument("not a number");
    return v;
}

// Writes `out` through `body` beside it and renames it into place, so a
// failed run never leaves a file that looks complete.  Returns its size.
std::uint64_t write_file(const std::string& out, const std::function<void(std::FILE*)>& body) {
    const std::string part = out + ".part";
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(part.c_str(), "wb"));
    if (!f) throw std::runtime_error(part + ": cannot create: " + std::strerror(errno));
    try {
        body(f.get());
        if (std::fflush(f.get()) != 0) throw std::runtime_error(part + ": cannot write: " + std::strerror(errno));
    } catch (...) {
        f.reset();
        std::remove(part.c_str());
        throw;
    }
    const long size = std::ftell(f.get());
    if (std::fclose(f.release()) != 0) {
        std::remove(part.c_str());
        throw std::runtime_error(part + ": cannot write: " + std::strerror(errno));
    }
    if (std::rename(part.c_str(), out.c_str()) != 0) {
        std::remove(part.c_str());
        throw std::runtime_error(out + ": cannot replace: " + std::strerror(errno));
    }
    return static_cast<std::uint64_t>(size);
}

std::string too_large(const std::string& old_path, const std::string& new_path, std::uint64_t limit_percent,
                      const std::string& found) {
    return "the delta from " + old_path + " to " + new_path + " would be over " + std::to_string(limit_percent) +
           "% of the new edition (" + found +
           "): the two share too little, as a repacked or unrelated edition does. Ship the full "
           "Lumarso2015.exe to PCs with that edition; to build the patch anyway, configure with "
           "-DLUMARSO_PATCH_ALLOW_LARGE=ON";
}

struct Range {
    std::uint64_t begin, end;
    std::uint64_t pool_at = 0;  // where its bytes start in the pool
};

// The new file's stretches no copy covers, of at least `min_length` bytes.
std::vector<Range> gaps(const std::vector<patchgen::Copy>& copies, std::uint64_t size, std::uint64_t min_length) {
    std::vector<Range> out;
    std::uint64_t at = 0;
    const auto gap = [&](std::uint64_t end) {
        if (end - at >= min_length) out.push_back({at, end});
    };
    for (const patchgen::Copy& c : copies) {
        gap(c.target);
        at = c.target + c.length;
    }
    gap(size);
    return out;
}

struct Job {
    std::string old_path, out_path;
    std::uint64_t old_size = 0;
    std::vector<patchgen::Copy> copies;
};

int run(int argc, char** argv) {
    patchgen::MatchOptions options;
    std::vector<std::string> paths;
    std::string pool_path;
    std::uint64_t max_share = 0;  // percent; 0 is no limit
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--anchors=aligned") {
            options.anchors = patchgen::Anchors::aligned;
        } else if (a == "--anchors=content") {
            options.anchors = patchgen::Anchors::content;
        } else if (a.starts_with("--block=")) {
            options.block = number(a.substr(8));
        } else if (a.starts_with("--spacing=")) {
            options.spacing = number(a.substr(10));
        } else if (a.starts_with("--max-share=")) {
            max_share = number(a.substr(12));
        } else if (a.starts_with("--pool=") && a.size() > 7) {
            pool_path = std::string(a.substr(7));
        } else if (a.starts_with("--")) {
            std::fputs(usage, stderr);
            return 2;
        } else {
            paths.emplace_back(a);
        }
    }
    const bool pooled = !pool_path.empty();
    if (pooled ? paths.size() < 3 || paths.size() % 2 != 1 : paths.size() != 3) {
        std::fputs(usage, stderr);
        return 2;
    }

    const auto started = std::chrono::steady_clock::now();
    const std::string new_path = pooled ? paths[0] : paths[1];
    std::vector<Job> jobs;
    if (pooled) {
        for (std::size_t i = 1; i < paths.size(); i += 2) jobs.push_back({paths[i], paths[i + 1], 0, {}});
    } else {
        jobs.push_back({paths[0], paths[2], 0, {}});
    }
    const patchgen::MappedFile new_file(new_path);
    const std::span<const std::uint8_t> new_bytes(new_file.data(), new_file.size());
    const std::uint64_t limit = max_share == 0 ? UINT64_MAX : new_bytes.size() * max_share / 100;
    options.give_up_over = limit;

    // One old edition mapped at a time; only its copies are kept.
    for (Job& job : jobs) {
        const patchgen::MappedFile old_file(job.old_path);
        job.old_size = old_file.size();
        patchgen::Matches m =
            patchgen::find_copies(std::span<const std::uint8_t>(old_file.data(), old_file.size()), new_bytes, options);
        if (m.gave_up) {
            throw TooLarge(too_large(job.old_path, new_path, max_share,
                                     "gave up after " + std::to_string(m.scanned) + " of the new edition's " +
                                         std::to_string(new_bytes.size()) + " bytes, " +
                                         std::to_string(m.uncovered) + " of them found in no copy"));
        }
        job.copies = std::move(m.copies);
    }

    // The pool: every stretch of the new file that some old edition lacks,
    // merged, in the new file's order.  With one edition there is nothing
    // to share, and plain new bytes cost less than copies from a pool.
    std::vector<Range> pool;
    if (jobs.size() > 1) {
        for (const Job& job : jobs) {
            const auto g = gaps(job.copies, new_bytes.size(), min_pooled);
            pool.insert(pool.end(), g.begin(), g.end());
        }
        std::sort(pool.begin(), pool.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
        std::vector<Range> merged;
        for (const Range& r : pool) {
            if (!merged.empty() && r.begin <= merged.back().end) {
                merged.back().end = std::max(merged.back().end, r.end);
            } else {
                merged.push_back(r);
            }
        }
        std::uint64_t at = 0;
        for (Range& r : merged) r.pool_at = at, at += r.end - r.begin;
        pool = std::move(merged);
    }

    std::vector<std::string> written;
    const auto remove_written = [&] {
        for (const std::string& w : written) std::remove(w.c_str());
    };
    std::uint64_t total = 0;
    std::vector<std::string> lines;
    try {
        if (pooled) {
            const std::uint64_t pool_bytes = write_file(pool_path, [&](std::FILE* f) {
                for (const Range& r : pool) {
                    const std::size_t n = r.end - r.begin;
                    if (std::fwrite(new_bytes.data() + r.begin, 1, n, f) != n) throw std::runtime_error("cannot write the pool");
                }
            });
            written.push_back(pool_path);
            total += pool_bytes;
            lines.push_back(pool_path + ": pool of " + std::to_string(pool_bytes) + " bytes in " +
                            std::to_string(pool.size()) + " stretches");
        }
        for (Job& job : jobs) {
            // Each of its gaps that the pool holds becomes a copy from there:
            // the pool follows the old edition in the delta's source.
            std::vector<patchgen::Copy> copies;
            std::size_t next = 0;
            for (const Range& g : pool.empty() ? std::vector<Range>{} : gaps(job.copies, new_bytes.size(), min_pooled)) {
                while (next < job.copies.size() && job.copies[next].target < g.begin) copies.push_back(job.copies[next++]);
                const auto holder = std::upper_bound(pool.begin(), pool.end(), g.begin,
                                                     [](std::uint64_t at, const Range& r) { return at < r.begin; }) - 1;
                copies.push_back({g.begin, job.old_size + holder->pool_at + (g.begin - holder->begin), g.end - g.begin});
            }
            copies.insert(copies.end(), job.copies.begin() + static_cast<std::ptrdiff_t>(next), job.copies.end());

            patchgen::DeltaFigures figures;
            write_file(job.out_path, [&](std::FILE* f) { figures = patchgen::write_vcdiff(f, new_bytes, copies); });
            written.push_back(job.out_path);
            total += figures.bytes;
            const double share = new_bytes.empty() ? 0.0 : 100.0 * static_cast<double>(figures.bytes) / new_bytes.size();
            char figures_text[200];
            std::snprintf(figures_text, sizeof figures_text,
                          ": %llu bytes (%.3f%% of the new file's %zu), %zu copies, %llu bytes added, %llu windows",
                          static_cast<unsigned long long>(figures.bytes), share, new_bytes.size(), copies.size(),
                          static_cast<unsigned long long>(figures.added),
                          static_cast<unsigned long long>(figures.windows));
            lines.push_back(job.out_path + figures_text);
            if (total > limit) {
                throw TooLarge(too_large(job.old_path, new_path, max_share,
                                         std::to_string(total) + " bytes" + (pooled ? " with the pool" : "") + " of " +
                                             std::to_string(new_bytes.size())));
            }
        }
    } catch (...) {
        remove_written();
        throw;
    }

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (const std::string& line : lines) std::printf("lumarso-patchgen: %s, %.2f s\n", line.c_str(), seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const TooLarge& e) {
        std::fprintf(stderr, "lumarso-patchgen: %s\n", e.what());
        return 3;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumarso-patchgen: %s\n", e.what());
        return 1;
    }
}
