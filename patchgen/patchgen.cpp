// lumarso-patchgen: writes the delta that turns one edition of the manual
// into the next, as VCDIFF, at build time.
//
//   lumarso-patchgen [--anchors=aligned|content] [--block=N] [--spacing=N] <old> <new> <out.vcdiff>
//
// Works on any two files.  Prints one line of figures; exits 0 on success,
// 1 on any failure with the reason, 2 on a wrong command line.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "patchgen/mapped_file.h"
#include "patchgen/matcher.h"
#include "patchgen/vcdiff_writer.h"

namespace {

constexpr const char* usage =
    "usage: lumarso-patchgen [--anchors=aligned|content] [--block=N] [--spacing=N] <old> <new> <out.vcdiff>\n";

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
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

int run(int argc, char** argv) {
    patchgen::MatchOptions options;
    const char* paths[3];
    int n = 0;
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
        } else if (a.starts_with("--") || n == 3) {
            std::fputs(usage, stderr);
            return 2;
        } else {
            paths[n++] = argv[i];
        }
    }
    if (n != 3) {
        std::fputs(usage, stderr);
        return 2;
    }

    const auto started = std::chrono::steady_clock::now();
    const patchgen::MappedFile old_file(paths[0]);
    const patchgen::MappedFile new_file(paths[1]);
    const std::span<const std::uint8_t> old_bytes(old_file.data(), old_file.size());
    const std::span<const std::uint8_t> new_bytes(new_file.data(), new_file.size());
    const auto copies = patchgen::find_copies(old_bytes, new_bytes, options);

    // Written beside the output and renamed over it, so a failed run never
    // leaves a delta that looks complete.
    const std::string out = paths[2];
    const std::string part = out + ".part";
    patchgen::DeltaFigures figures;
    {
        std::unique_ptr<std::FILE, FileCloser> f(std::fopen(part.c_str(), "wb"));
        if (!f) throw std::runtime_error(part + ": cannot create: " + std::strerror(errno));
        try {
            figures = patchgen::write_vcdiff(f.get(), new_bytes, copies);
            if (std::fflush(f.get()) != 0) throw std::runtime_error(part + ": cannot write: " + std::strerror(errno));
        } catch (...) {
            f.reset();
            std::remove(part.c_str());
            throw;
        }
        if (std::fclose(f.release()) != 0) {
            std::remove(part.c_str());
            throw std::runtime_error(part + ": cannot write: " + std::strerror(errno));
        }
    }
    if (std::rename(part.c_str(), out.c_str()) != 0) {
        std::remove(part.c_str());
        throw std::runtime_error(out + ": cannot replace: " + std::strerror(errno));
    }

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double share = new_bytes.empty() ? 0.0 : 100.0 * static_cast<double>(figures.bytes) / new_bytes.size();
    std::printf("lumarso-patchgen: %s: %llu bytes (%.3f%% of the new file's %zu), %zu copies, %llu bytes added, "
                "%llu windows, %.2f s\n",
                out.c_str(), static_cast<unsigned long long>(figures.bytes), share, new_bytes.size(), copies.size(),
                static_cast<unsigned long long>(figures.added), static_cast<unsigned long long>(figures.windows),
                seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumarso-patchgen: %s\n", e.what());
        return 1;
    }
}
