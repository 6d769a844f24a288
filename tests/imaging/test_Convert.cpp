// snaprio --convert as a real process.
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ImagingSupport.h"
#include "TestSupport.h"
#include "imaging/core/FileBytes.h"
#include "imaging/qt/BmpFile.h"
#include "imaging/qt/ImageFiles.h"
#include "imaging/qt/ImageRows.h"

namespace {
struct TResult {
    int Status;
    std::string Out, Err;
};
TResult Convert(const std::string& in, const std::string& out,
                const std::vector<std::string>& prefix = {}) {
    std::vector<std::string> argv = prefix;
    argv.insert(argv.end(), {SNAPRIO_BINARY, "--convert", in, out});
    TProcess p(argv, {"DISPLAY="});
    const int status = p.Wait();
    return {status, p.Stdout(), p.Stderr()};
}
} // namespace

TEST(Convert, WritesEveryFormatByItsExtension) {
    TTempDir dir;
    const QImage img = RandomImage(41, 29, QImage::Format_RGB888, 6);
    SaveBmpFile(img, dir.File("in.Bmp"));
    for (const char* out : {"a.gif", "b.JPG", "c.bmp", "d.GiF", "f.PNG", "g.png"}) {
        const TResult r = Convert(dir.File("in.Bmp"), dir.File(out));
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out + r.Err, "");
        const TDecoded d = PillowDecode(dir.File(out), "RGB");
        EXPECT_EQ(d.Width, 41) << out;
    }
    EXPECT_TRUE(PillowDecode(dir.File("c.bmp"), "RGB").Pixels == RgbBytes(img));
    EXPECT_TRUE(PillowDecode(dir.File("g.png"), "RGB").Pixels == RgbBytes(img));
    // And back from the JPEG and the PNG.
    EXPECT_EQ(Convert(dir.File("b.JPG"), dir.File("e.bmp")).Status, 0);
    EXPECT_EQ(PillowDecode(dir.File("e.bmp")).Height, 29);
    EXPECT_EQ(Convert(dir.File("f.PNG"), dir.File("h.bmp")).Status, 0);
    EXPECT_TRUE(PillowDecode(dir.File("h.bmp"), "RGB").Pixels == RgbBytes(img));
}

TEST(Convert, BadNamesAndBadFilesAreRefused) {
    TTempDir dir;
    SaveBmpFile(RandomImage(4, 4, QImage::Format_RGB888, 1), dir.File("in.bmp"));
    TResult r = Convert(dir.File("in.tif"), dir.File("out.gif"));
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("Unknown file type selected."), std::string::npos);
    r = Convert(dir.File("in.bmp"), dir.File("a.GIF/out")); // a folder's dot is no extension
    EXPECT_EQ(r.Status, 2);
    r = Convert(dir.File("in.bmp"), dir.File("out.Jpeg")); // the longer name of a JPEG
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(ReadFile(dir.File("out.Jpeg")).substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(Convert(dir.File("in.bmp"), dir.File("in.gif")).Status, 0);
    EXPECT_EQ(Convert(dir.File("in.gif"), dir.File("x.bmp")).Status, 2) << "GIF is not read";

    const std::string bmp = ReadFile(dir.File("in.bmp"));
    WriteFile(dir.File("cut.bmp"), bmp.substr(0, bmp.size() - 5));
    r = Convert(dir.File("cut.bmp"), dir.File("out.gif"));
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("truncated"), std::string::npos) << r.Err;
    EXPECT_FALSE(FileExists(dir.File("out.gif")));
    // A damaged PNG is refused as a damaged bitmap is, with nothing written.
    EXPECT_EQ(Convert(dir.File("in.bmp"), dir.File("in.png")).Status, 0);
    const std::string png = ReadFile(dir.File("in.png"));
    WriteFile(dir.File("cut.png"), png.substr(0, png.size() - 20));
    r = Convert(dir.File("cut.png"), dir.File("out.gif"));
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "snaprio: The PNG file is truncated\n");
    EXPECT_FALSE(FileExists(dir.File("out.gif")));
    r = Convert(dir.File("missing.jpg"), dir.File("out.gif"));
    EXPECT_EQ(r.Status, 1);
    EXPECT_FALSE(FileExists(dir.File("out.gif")));
    r = Convert(dir.File("in.bmp"), dir.File("no/such/folder/out.gif"));
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("Cannot create"), std::string::npos) << r.Err;
}

namespace {
// The resident reader's file, cut to a few bytes between its mapping and its reading.
std::string ShrinkPath;
void ShrinkAfterMap(int) {
    ASSERT_EQ(truncate(ShrinkPath.c_str(), 100), 0);
}
} // namespace

TEST(Convert, FilesWithoutEndAndFilesThatShrinkAreRefused) {
    // Devices and FIFOs are refused at once (a FIFO without a writer never
    // holds the reader), and a file cut while it is read is said to be
    // truncated: by the command line and the resident reader alike, with
    // nothing written.
    TTempDir dir;
    const QImage img = RandomImage(600, 400, QImage::Format_RGB888, 9);
    std::filesystem::create_symlink("/dev/zero", dir.File("zero.bmp"));
    std::filesystem::create_symlink("/dev/urandom", dir.File("random.jpg"));
    ASSERT_EQ(mkfifo(dir.File("fifo.BMP").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.File("folder.jpg"));
    const std::string odd = ": Not a regular file",
                      cut = ": the file was truncated while it was read";
    // Input, output, the reason after "Cannot read IN", whether the input shrinks.
    const std::tuple<std::string, std::string, std::string, bool> cases[] = {
        {"zero.bmp", "o.GIF", odd, false}, {"random.jpg", "o.BMP", odd, false},
        {"fifo.BMP", "o.JPG", odd, false}, {"folder.jpg", "o.GIF", ": Is a directory", false},
        {"big.bmp", "o.GIF", cut, true},   {"big.bmp", "o.BMP", cut, true}, // copied by the kernel
        {"big.jpg", "o.BMP", cut, true},   {"big.jpg", "o.GIF", cut, true},
    };
    for (const auto& [name, outName, reason, shrinks] : cases) {
        const std::string in = dir.File(name), out = dir.File(outName);
        const std::string text = "Cannot read " + in + reason;
        auto restore = [&] {
            QImage copy = img;
            SaveImageFile(copy, dir.File("big.bmp"));
            SaveImageFile(copy, dir.File("big.jpg"));
        };
        restore();
        std::vector<std::string> env{"DISPLAY="};
        if (shrinks)
            env.insert(env.end(), {std::string("LD_PRELOAD=") + SHRINK_ON_MAP,
                                   "SNAPRIO_SHRINK=" + in, "SNAPRIO_SHRINK_TO=100",
                                   "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"});
        TProcess p({SNAPRIO_BINARY, "--convert", in, out}, env);
        EXPECT_EQ(p.Wait(), 1) << name << " to " << outName;
        EXPECT_EQ(p.Stderr(), "snaprio: " + text + "\n");
        EXPECT_FALSE(FileExists(out)) << out;
        // The resident reader maps bitmap files; JPEG files it reads whole.
        if (shrinks && name != "big.bmp") continue;
        restore();
        ShrinkPath = in;
        AfterFileMapped = shrinks ? ShrinkAfterMap : nullptr;
        try {
            LoadImageFile(in);
            ADD_FAILURE() << name << " opened";
        } catch (const EImageError& e) {
            EXPECT_EQ(e.what(), text);
        }
        AfterFileMapped = nullptr;
    }
}

TEST(Convert, AFailedAllocationIsAnErrorNotAnAbort) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer ends the program on a failed allocation itself";
#endif
    // A JPEG whose header claims the largest picture read (16384 x 16384),
    // written as BMP (decoded whole), in a process with too little address
    // space: the command line says so.
    TTempDir dir;
    QImage small = RandomImage(8, 8, QImage::Format_RGB888, 2);
    SaveImageFile(small, dir.File("claims.jpg"));
    std::string jpeg = ReadFile(dir.File("claims.jpg"));
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    jpeg.replace(sof + 5, 4, std::string("\x40\x00\x40\x00", 4));
    WriteFile(dir.File("claims.jpg"), jpeg);
    const TResult r =
        Convert(dir.File("claims.jpg"), dir.File("o.BMP"), {"prlimit", "--as=400000000"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "snaprio: Not enough memory to convert " + dir.File("claims.jpg") + "\n");
    EXPECT_FALSE(FileExists(dir.File("o.BMP")));
    // The resident reader takes a JPEG file whole: a file larger than the
    // memory it may have is refused, not read until the allocation fails.
    ASSERT_EQ(truncate(dir.File("claims.jpg").c_str(), 1 << 30), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit{400000000, 400000000};
        setrlimit(RLIMIT_AS, &limit);
        try {
            LoadImageFile(dir.File("claims.jpg"));
        } catch (const EImageError& e) {
            _exit(std::string(e.what()) ==
                          "Cannot read " + dir.File("claims.jpg") + ": Cannot allocate memory"
                      ? 0
                      : 2);
        } catch (...) {
            _exit(3);
        }
        _exit(4);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

namespace {
// A 64 KB tmpfs for the length of a test (root only; empty Path() otherwise).
struct TTinyDisk {
    TTempDir Dir;
    bool Mounted = geteuid() == 0 &&
                   RunCommand({"mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", Dir.Path()}) == 0;
    ~TTinyDisk() {
        if (Mounted) RunCommand({"umount", Dir.Path()});
    }
};

std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}
} // namespace

TEST(Convert, FailedSaveLeavesTheOldFileAndNothingElse) {
    // Under a file size limit and on a full disk every writer fails with the
    // system's reason; a file of that name keeps its bytes, a new name is not
    // created, and no temporary file stays behind.
    TTempDir dir;
    SaveBmpFile(RandomImage(300, 200, QImage::Format_RGB888, 3), dir.File("in.bmp"));
    TTinyDisk disk;
    struct TLimit {
        std::string Folder, Reason;
        std::vector<std::string> Prefix;
    };
    std::vector<TLimit> limits{
        {dir.Path() + "/out", "File too large", {"prlimit", "--fsize=20000"}}};
    if (disk.Mounted) limits.push_back({disk.Dir.Path(), "No space left on device", {}});
    std::filesystem::create_directory(dir.File("out"));
    for (const TLimit& limit : limits) {
        for (const char* name : {"o.BMP", "o.GIF", "o.JPG"}) {
            const std::string old = limit.Folder + "/" + name, fresh = limit.Folder + "/new" + name;
            WriteFile(old, "the old file");
            for (const std::string& target : {old, fresh}) {
                const TResult r = Convert(dir.File("in.bmp"), target, limit.Prefix);
                EXPECT_EQ(r.Status, 1) << target;
                EXPECT_NE(r.Err.find("Cannot write " + target + ": " + limit.Reason),
                          std::string::npos)
                    << r.Err;
            }
            EXPECT_EQ(ReadFile(old), "the old file") << old;
            EXPECT_EQ(Listing(limit.Folder), std::vector<std::string>{name}) << limit.Folder;
            std::filesystem::remove(old);
        }
    }
    // Without the limit the old file is replaced, and keeps its permissions.
    WriteFile(dir.File("out/keep.JPG"), "old");
    std::filesystem::permissions(dir.File("out/keep.JPG"), std::filesystem::perms(0640));
    EXPECT_EQ(Convert(dir.File("in.bmp"), dir.File("out/keep.JPG")).Status, 0);
    EXPECT_EQ(PillowDecode(dir.File("out/keep.JPG")).Width, 300);
    EXPECT_EQ(std::filesystem::status(dir.File("out/keep.JPG")).permissions(),
              std::filesystem::perms(0640));
}

TEST(Convert, StreamedRowsGiveTheBytesOfTheWholePicture) {
    // Rows straight from the mapped file or the decoder make the same file as
    // the picture read whole and saved.
    TTempDir dir;
    const std::string make =
        "from PIL import Image\nimport random\nrandom.seed(5)\n"
        "im = Image.new('RGB', (67, 45))\n"
        "im.putdata([(random.randrange(256), random.randrange(256), random.randrange(256))"
        " for _ in range(67*45)])\n"
        "for mode in ('1', 'P', 'L', 'RGB', 'RGBA'): im.convert(mode).save(D + mode + '.bmp')\n"
        "im.quantize(16).save(D + 'P4.bmp')\n"
        "im.crop((0, 0, 64, 45)).save(D + 'w64.bmp')\n" // no row padding: copied file to file
        "for mode in ('1', 'P', 'L', 'RGB', 'RGBA'): im.convert(mode).save(D + mode + '.png')\n"
        "im.quantize(16).save(D + 'P4.png')\n"
        "im.save(D + 'q.jpg', quality=90)\n"
        "im.convert('L').save(D + 'grey.jpg')\n";
    ASSERT_EQ(RunCommand({"/usr/bin/python3", "-c", "D = '" + dir.Path() + "/'\n" + make}), 0);
    std::string jpeg = ReadFile(dir.File("q.jpg"));
    WriteFile(dir.File("cut.jpg"), jpeg.substr(0, jpeg.size() * 2 / 3));
    std::string bmp = ReadFile(dir.File("RGB.bmp")); // the same rows top-down
    const int h = 45, stride = (67 * 3 + 3) / 4 * 4, off = 54;
    std::string flipped = bmp.substr(0, off);
    for (int y = h - 1; y >= 0; --y) flipped += bmp.substr(off + y * stride, stride);
    flipped[22] = flipped[23] = flipped[24] = flipped[25] = '\xFF';
    flipped[22] = static_cast<char>(-h);
    WriteFile(dir.File("down.bmp"), flipped);

    for (const char* in : {"1.bmp", "P.bmp", "L.bmp", "RGB.bmp", "RGBA.bmp", "P4.bmp", "down.bmp",
                           "w64.bmp", "q.jpg", "grey.jpg", "cut.jpg", "1.png", "P.png", "L.png",
                           "RGB.png", "RGBA.png", "P4.png"}) {
        for (const char* ext : {".BMP", ".GIF", ".JPG", ".PNG"}) {
            const std::string streamed = dir.File(std::string("s") + ext),
                              whole = dir.File(std::string("w") + ext);
            EXPECT_EQ(ConvertImageFile(dir.File(in), streamed).empty(),
                      std::string(in) != "cut.jpg")
                << in << ": a warning for the damaged file only";
            QImage picture = LoadImageFile(dir.File(in));
            SaveImageFile(picture, whole);
            EXPECT_TRUE(ReadFile(streamed) == ReadFile(whole)) << in << " to " << ext;
        }
    }
}

TEST(Convert, TheCommandLineFrontLoadsNeitherQtNorX) {
    // --version and --convert run in the front, which links the picture files
    // alone; everything else is the desktop program it becomes.
    std::string needed;
    ASSERT_EQ(RunCommand({"readelf", "-d", SNAPRIO_BINARY}, &needed), 0);
    EXPECT_NE(needed.find("libjpeg"), std::string::npos);
    for (const char* lib : {"libQt6", "libX11", "libxcb"})
        EXPECT_EQ(needed.find(lib), std::string::npos) << lib;
}

TEST(Convert, TheMailProgramLoadsNeitherQtNorX) {
    // The front hands --mail to the mail program beside it: the mail core and
    // the settings file, no desktop libraries.
    const std::string front = SNAPRIO_BINARY;
    std::string needed;
    ASSERT_EQ(
        RunCommand({"readelf", "-d", front.substr(0, front.rfind('/')) + "/snaprio-mail"}, &needed),
        0);
    EXPECT_NE(needed.find("libssl"), std::string::npos);
    for (const char* lib : {"libQt6", "libX11", "libxcb"})
        EXPECT_EQ(needed.find(lib), std::string::npos) << lib;
}

TEST(Convert, TheCaptureProgramLoadsNoQt) {
    // The front hands --capture to the capture program beside it: Xlib and
    // the picture writers, no Qt.
    const std::string front = SNAPRIO_BINARY;
    std::string needed;
    ASSERT_EQ(RunCommand({"readelf", "-d", front.substr(0, front.rfind('/')) + "/snaprio-capture"},
                         &needed),
              0);
    EXPECT_NE(needed.find("libX11"), std::string::npos);
    EXPECT_NE(needed.find("libjpeg"), std::string::npos);
    EXPECT_EQ(needed.find("libQt6"), std::string::npos);
}

TEST(Convert, SixteenBitRowsWidenAsQtConvertsThem) {
    // A 16-bit screen's rows: the capture program widens them itself, the
    // resident save through TImageRows, and a GIF's picture through Qt. All
    // three must agree for every pixel value.
    QImage all(256, 256, QImage::Format_RGB16);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            reinterpret_cast<uint16_t*>(all.scanLine(y))[x] = static_cast<uint16_t>(y * 256 + x);
    const QImage qt = all.convertToFormat(QImage::Format_RGB888);
    TImageRows rows(all);
    ASSERT_EQ(rows.Format, TRowFormat::Rgb24);
    for (int y = 0; y < 256; ++y)
        ASSERT_EQ(std::memcmp(rows.Row(y), qt.constScanLine(y), 256 * 3), 0) << "row " << y;
}

TEST(Convert, OneBitPicturesGiveIndexRowsWithTheirColours) {
    for (const auto format : {QImage::Format_Mono, QImage::Format_MonoLSB}) {
        QImage mono(67, 5, format); // a width that ends inside a byte
        mono.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
        for (int y = 0; y < mono.height(); ++y)
            for (int x = 0; x < mono.width(); ++x) mono.setPixel(x, y, (x * 7 + y) % 3 == 0);
        const QImage expected = mono.convertToFormat(QImage::Format_Indexed8);
        TImageRows rows(mono);
        ASSERT_EQ(rows.Format, TRowFormat::Index8) << format;
        for (int y = 0; y < mono.height(); ++y)
            ASSERT_EQ(std::memcmp(rows.Row(y), expected.constScanLine(y), 67), 0) << "row " << y;
        const QList<QRgb> table = expected.colorTable();
        EXPECT_EQ(rows.ColorTable, std::vector<uint32_t>(table.begin(), table.end()));
    }
}

TEST(Convert, SavingAGrabNeitherCopiesNorChangesIt) {
    // A grab is the shared segment itself: every writer reads its rows where
    // they are, and the picture is still that memory, in its format, after.
    std::vector<uint32_t> segment(64 * 48);
    for (size_t i = 0; i < segment.size(); ++i)
        segment[i] = 0xFF000000u | uint32_t(i * 2654435761u);
    QImage grab(reinterpret_cast<uchar*>(segment.data()), 64, 48, 64 * 4, QImage::Format_RGB32);
    TTempDir dir;
    for (const char* name : {"g.BMP", "g.GIF", "g.JPG", "g.PNG"}) {
        SaveImageFile(grab, dir.File(name));
        EXPECT_EQ(grab.constBits(), reinterpret_cast<const uchar*>(segment.data())) << name;
        EXPECT_EQ(grab.format(), QImage::Format_RGB32) << name;
        EXPECT_EQ(PillowDecode(dir.File(name)).Width, 64) << name;
    }
}
