// tvgif: looks into GIF files with the game's own reader and writer.
//
//   tvgif info FILE                          one JSON object describing the picture
//   tvgif bench FILE... [--reps N]           decoding speed in megapixels per second
//   tvgif bench --encode FILE... [--reps N]  LZW encoding speed of every frame
//   tvgif copy IN OUT [--rle]                reads IN and writes it to OUT
//   tvgif convert IN OUT.gif [--method M|best] [--dither D] [--bits B]

#include "ConvertCommand.h"
#include "Exceptions.h"
#include "Fnv1a.h"
#include "GIFAppExtNSLoop.h"
#include "GIFEncoder.h"
#include "GIFGraphicControlExtension.h"
#include "GIFImage.h"
#include "Json.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: tvgif info FILE\n"
                         "       tvgif bench [--encode] FILE... [--reps N]\n"
                         "       tvgif copy IN OUT [--rle]\n"
                         "       tvgif convert IN OUT.gif [--method M|best] [--dither D] [--bits B]\n");
    return 2;
}

std::string JsonList(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + JsonString(texts[i]);
    return out + "]";
}

const TGIFAppExtNSLoop* FirstLoop(const TGIFImage& image) {
    for (const auto& frame : image.Images)
        for (const auto& extension : frame->Extensions)
            if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension.get())) return loop;
    return nullptr;
}

std::string FrameJson(TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    const std::string transparent = control && control->Transparent()
                                        ? std::to_string(control->TransparentColorIndex())
                                        : std::string("null");
    char hash[17];
    const uint64_t fnv = Fnv1a64(frame.Data(), frame.Data() ? static_cast<size_t>(frame.DataSize()) : 0);
    std::snprintf(hash, sizeof hash, "%016" PRIx64, fnv);
    std::string out = "{";
    out += "\"left\": " + std::to_string(frame.Left());
    out += ", \"top\": " + std::to_string(frame.Top());
    out += ", \"width\": " + std::to_string(frame.Width());
    out += ", \"height\": " + std::to_string(frame.Height());
    out += std::string(", \"interlaced\": ") + (frame.Interlaced() ? "true" : "false");
    out += ", \"local_colors\": " + std::to_string(frame.ColorMap.Count());
    out += ", \"disposal\": " + std::to_string(control ? control->Disposal() : 0);
    out += ", \"delay\": " + std::to_string(control ? control->Delay() : 0);
    out += ", \"transparent\": " + transparent;
    out += std::string(", \"empty\": ") + (frame.Empty() ? "true" : "false");
    out += std::string(", \"pixels_fnv1a64\": \"") + hash + "\"";
    return out + "}";
}

int Info(const std::string& fileName) {
    TGIFImage image;
    std::vector<std::string> warnings;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& message) {
        warnings.push_back(message);
    };
    try {
        TMemoryStream stream;
        stream.LoadFromFile(fileName);
        image.LoadFromStream(stream);
    } catch (const Exception& e) {
        std::printf("{\"error\": %s, \"warnings\": %s}\n", JsonString(e.what()).c_str(),
                    JsonList(warnings).c_str());
        return 1;
    }
    const TGIFAppExtNSLoop* loop = FirstLoop(image);
    std::string out = "{";
    out += "\"width\": " + std::to_string(image.Width());
    out += ", \"height\": " + std::to_string(image.Height());
    out += ", \"global_colors\": " + std::to_string(image.Header.ColorMap.Count());
    out += ", \"background\": " + std::to_string(image.Header.BackgroundColorIndex());
    out += ", \"aspect\": " + std::to_string(image.Header.AspectRatio());
    out += ", \"loop\": " + (loop ? std::to_string(loop->Loops) : std::string("null"));
    out += ", \"frames\": [";
    for (int i = 0; i < image.Images.Count(); ++i) out += (i ? ", " : "") + FrameJson(image.Images[i]);
    out += "], \"warnings\": " + JsonList(warnings) + "}";
    std::printf("%s\n", out.c_str());
    return 0;
}

struct BenchFile {
    std::string Name;
    std::vector<uint8_t> Bytes;
    int64_t Pixels = 0; // decoded per pass
    double Seconds = 0; // per pass
};

// One frame's pixels with what the encoder needs to know about them.
struct EncodeFrame {
    std::vector<uint8_t> Pixels;
    int Width = 0;
    int Height = 0;
    int Bits = 0;
    int Colors = 0;
    bool Interlaced = false;
};

std::vector<EncodeFrame> FramesOf(const std::vector<uint8_t>& bytes) {
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    TGIFImage image;
    image.LoadFromStream(stream);
    std::vector<EncodeFrame> frames;
    for (const auto& frame : image.Images) {
        if (frame->Empty()) continue;
        const TGIFColorMap& colors = frame->ActiveColorMap();
        const int bits = colors.Count() > 0 ? colors.BitsPerPixel() : 8;
        frames.push_back({std::vector<uint8_t>(frame->Data(), frame->Data() + frame->DataSize()),
                          frame->Width(), frame->Height(), bits, 1 << bits, frame->Interlaced()});
    }
    return frames;
}

int64_t EncodeOnce(const std::vector<EncodeFrame>& frames, TMemoryStream& out) {
    int64_t pixels = 0;
    out.SetSize(0);
    out.SetPosition(0);
    for (const auto& f : frames) {
        CompressImageData(out, 0, f.Bits, f.Colors, f.Pixels.data(), f.Interlaced, f.Height, f.Width);
        pixels += static_cast<int64_t>(f.Pixels.size());
    }
    return pixels;
}

int BenchEncode(const std::vector<std::string>& names, int reps) {
    double totalSeconds = 0;
    int64_t totalPixels = 0;
    for (const auto& name : names) {
        std::vector<EncodeFrame> frames;
        TMemoryStream out;
        int64_t pixels = 0;
        try {
            TMemoryStream stream;
            stream.LoadFromFile(name);
            frames = FramesOf(stream.Memory());
            pixels = EncodeOnce(frames, out); // also warms the caches
        } catch (const Exception& e) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), e.what());
            return 1;
        }
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < reps; ++i) EncodeOnce(frames, out);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        const double seconds = elapsed.count() / reps;
        totalSeconds += seconds;
        totalPixels += pixels;
        std::printf("%s %.1f\n", name.c_str(), seconds > 0 ? pixels / seconds / 1e6 : 0.0);
    }
    std::printf("total %.1f\n", totalSeconds > 0 ? totalPixels / totalSeconds / 1e6 : 0.0);
    return 0;
}

int Copy(const std::string& in, const std::string& out, bool rle) {
    TGIFImage image;
    image.WarningHandler = [&](TGIFImage&, TGIFSeverity, const std::string& message) {
        std::fprintf(stderr, "%s: warning: %s\n", in.c_str(), message.c_str());
    };
    try {
        image.LoadFromFile(in);
        image.Compression = rle ? 1 : 0;
        image.SaveToFile(out);
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

int64_t DecodeOnce(const std::vector<uint8_t>& bytes) {
    TBorrowedMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    TGIFImage image;
    image.LoadFromStream(stream);
    int64_t pixels = 0;
    for (const auto& frame : image.Images) pixels += frame->DataSize();
    return pixels;
}

int Bench(const std::vector<std::string>& names, int reps) {
    std::vector<BenchFile> files;
    for (const auto& name : names) {
        BenchFile file;
        file.Name = name;
        try {
            TMemoryStream stream;
            stream.LoadFromFile(name);
            file.Bytes = stream.Memory();
            file.Pixels = DecodeOnce(file.Bytes); // also warms the caches
        } catch (const Exception& e) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), e.what());
            return 1;
        }
        files.push_back(std::move(file));
    }
    double totalSeconds = 0;
    int64_t totalPixels = 0;
    for (auto& file : files) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < reps; ++i) DecodeOnce(file.Bytes);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        file.Seconds = elapsed.count() / reps;
        totalSeconds += file.Seconds;
        totalPixels += file.Pixels;
        std::printf("%s %.1f\n", file.Name.c_str(), file.Pixels / file.Seconds / 1e6);
    }
    std::printf("total %.1f\n", totalSeconds > 0 ? totalPixels / totalSeconds / 1e6 : 0.0);
    return 0;
}

// The commands already on CLI11.
int RunCLI(int argc, char** argv) {
    CLI::App app{"tvgif"};
    app.require_subcommand(1);
    AddConvertCommand(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::RuntimeError& e) {
        return e.get_exit_code();
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "convert") return RunCLI(argc, argv);
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    if (command == "info" && argc == 3) return Info(argv[2]);
    if (command == "copy" && (argc == 4 || (argc == 5 && std::string(argv[4]) == "--rle")))
        return Copy(argv[2], argv[3], argc == 5);
    if (command == "bench") {
        std::vector<std::string> names;
        int reps = 10;
        bool encode = false;
        for (int i = 2; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--reps" && i + 1 < argc) {
                reps = std::max(1, std::atoi(argv[++i]));
            } else if (arg == "--encode") {
                encode = true;
            } else {
                names.push_back(arg);
            }
        }
        if (names.empty()) return Usage();
        return encode ? BenchEncode(names, reps) : Bench(names, reps);
    }
    return Usage();
}
