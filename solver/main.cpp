// Z7Uzurer: the command-line solver. Of its tasks this build knows
// "mergeq7c", which merges the orientation files named in a list into one.
//
//   Z7Uzurer -t mergeq7c -l LIST -p POS -d DIR
//   Z7Uzurer --version
//
// writes DIR/<LIST's base name up to its first dot>_ori.q7c. Exit codes:
// 0 merged, 1 an input could not be read or the result not written, 2 usage.

#include "inputlist.h"
#include "orientationmerge.h"
#include "orientationtext.h"
#include "q7version.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

const char usage[] =
    "usage: Z7Uzurer -t mergeq7c -l LIST -p POS -d DIR\n"
    "       Z7Uzurer --version\n"
    "  -t  the task; only mergeq7c is known\n"
    "  -l  text file naming one orientation file (_ori.q7c) a line\n"
    "  -p  the merged position file of the new project\n"
    "  -d  folder that receives <LIST's base name>_ori.q7c\n";

// The bytes of a regular file, read whole in one piece (and not cleared
// before: a large orientation file is read once). A file too large for the
// memory at hand is not read.
class FileText
{
public:
    bool read(const std::string &path)
    {
        // Only a regular file has a size: a folder, which opens like a file
        // but reads as nothing, is no empty input.
        // Nor is anything but a regular file read: a pipe or a device
        // would hold the solver up for ever.
        std::error_code error;
        const bool regular = fs::is_regular_file(path, error);
        const std::uintmax_t fileSize = regular ? fs::file_size(path, error) : 0;
        if (!regular || error)
            return false;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return false;
        size = size_t(fileSize);
        bytes.reset(new (std::nothrow) char[size]);
        if (!bytes)
            return false;
        in.read(bytes.get(), std::streamsize(size));
        return std::uintmax_t(in.gcount()) == fileSize;
    }

    std::string_view view() const { return {bytes.get(), size}; }

private:
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
};

// The cameras and images that the sources announce in their first lines, at
// most as many as their sizes can hold; unreadable sources count nothing.
void announcedCounts(const std::vector<std::string> &paths, size_t &cameras, size_t &images)
{
    for (const std::string &path : paths) {
        std::error_code error;
        if (!fs::is_regular_file(path, error))
            continue;
        const std::uintmax_t size = fs::file_size(path, error);
        std::ifstream in(path, std::ios::binary);
        char firstLine[256];
        size_t sourceImages = 0;
        size_t sourceCameras = 0;
        if (error || !in.getline(firstLine, sizeof firstLine)
            || !solver::parseOrientationHeader(firstLine, sourceImages, sourceCameras).empty())
            continue;
        images += size_t(std::min<std::uintmax_t>(sourceImages, size / 8));
        cameras += size_t(std::min<std::uintmax_t>(sourceCameras, size / 2));
    }
}

#ifdef _WIN32
// Puts the file's bytes on the disk; false when the disk says they are not.
// A folder's entries are on the disk once a rename written through returns.
bool synced(const fs::path &path)
{
    if (fs::is_directory(path))
        return true;
    const int descriptor = _wopen(path.c_str(), _O_WRONLY | _O_BINARY);
    if (descriptor < 0)
        return false;
    const bool ok = _commit(descriptor) == 0;
    return _close(descriptor) == 0 && ok;
}

// Renames from to to, replacing a file there, on the disk when it returns.
void renameInto(const fs::path &from, const fs::path &to, std::error_code &error)
{
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = std::error_code(int(GetLastError()), std::system_category());
}
#else
// Puts the file's bytes on the disk; false when the disk says they are not.
bool synced(const fs::path &path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool ok = ::fsync(descriptor) == 0 || errno == EINVAL;
    return ::close(descriptor) == 0 && ok;
}

void renameInto(const fs::path &from, const fs::path &to, std::error_code &error)
{
    fs::rename(from, to, error);
}
#endif

// Writes the orientation beside the target, piece by piece, puts it on the
// disk and renames it into place, then puts the folder's new entry on the
// disk too: the target is either the old file or the whole new one, also
// after a power cut. The file beside it has one name: a run that was killed
// part way leaves one that the next run writes over.
bool writeFileAtomically(const fs::path &target, const solver::Orientation &orientation)
{
    fs::path temporary = target;
    temporary += ".part";
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        solver::formatOrientation(orientation, [&](std::string_view piece) {
            out.write(piece.data(), std::streamsize(piece.size()));
        });
        out.close();
        written = bool(out);
    }
    std::error_code error;
    if (written && synced(temporary))
        renameInto(temporary, target, error);
    else
        error = std::make_error_code(std::errc::io_error);
    if (error) {
        std::error_code ignored; // the rename's error is the one that counts
        fs::remove(temporary, ignored);
        return false;
    }
    return synced(target.parent_path().empty() ? fs::path(".") : target.parent_path());
}

// LIST's file name up to its first dot.
std::string listBaseName(const std::string &listPath)
{
    const std::string fileName = fs::path(listPath).filename().string();
    return fileName.substr(0, fileName.find('.'));
}

int mergeq7c(const std::string &listPath, const std::string &outDir)
{
    FileText listText;
    if (!listText.read(listPath)) {
        std::fprintf(stderr, "Z7Uzurer: cannot read the input list %s\n", listPath.c_str());
        return 1;
    }
    const std::vector<std::string> paths = solver::parseInputList(listText.view());
    size_t cameras = 0;
    size_t images = 0;
    announcedCounts(paths, cameras, images);
    solver::OrientationMerge merge;
    try {
        merge.reserve(cameras, images);
    } catch (const std::bad_alloc &) {
        // Sizes announced by wrong or sparse files: the lists grow as read.
    }
    for (const std::string &path : paths) {
        FileText text;
        if (!text.read(path)) {
            std::fprintf(stderr, "Z7Uzurer: cannot read %s\n", path.c_str());
            return 1;
        }
        solver::Orientation source;
        std::string error = solver::parseOrientation(text.view(), source);
        if (error.empty())
            error = merge.append(std::move(source));
        if (!error.empty()) {
            std::fprintf(stderr, "Z7Uzurer: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
    }

    const fs::path target = fs::path(outDir) / (listBaseName(listPath) + "_ori.q7c");
    if (!writeFileAtomically(target, merge.merged())) {
        std::fprintf(stderr, "Z7Uzurer: cannot write %s\n", target.string().c_str());
        return 1;
    }
    std::printf("Z7Uzurer: merged %d projects: %zu cameras, %zu images, %d duplicates dropped\n",
                merge.projectCount(), merge.merged().cameras.size(),
                merge.merged().images.size(), merge.droppedCount());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::printf("Z7Uzurer %s\n", Q7_VERSION);
        return 0;
    }
    std::map<std::string, std::string> options;
    for (int i = 1; i < argc; i += 2) {
        const std::string flag = argv[i];
        const bool known = flag == "-t" || flag == "-l" || flag == "-p" || flag == "-d";
        if (!known || i + 1 >= argc || !options.emplace(flag, argv[i + 1]).second) {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (options.size() != 4 || options["-t"] != "mergeq7c") {
        std::fputs(usage, stderr);
        return 2;
    }
    return mergeq7c(options["-l"], options["-d"]);
}
