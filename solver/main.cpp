// Z7Uzurer: the command-line solver. Of its tasks this build knows
// "mergeq7c", which merges the orientation files named in a list into one.
//
//   Z7Uzurer -t mergeq7c -l LIST -p POS -d DIR
//   Z7Uzurer --version
//
// writes DIR/<LIST's base name up to its first dot>_ori.q7c. Exit codes:
// 0 merged, 1 an input could not be read or the result not written, 2 usage.
// Paths are kept as std::filesystem paths made from the system's own text: on
// Windows the arguments come as UTF-16 (wmain), the input list's lines in the
// ANSI code page, in which the messages name them too. Lines end in LF alone.

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
    bool read(const fs::path &path)
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
void announcedCounts(const std::vector<fs::path> &paths, size_t &cameras, size_t &images)
{
    for (const fs::path &path : paths) {
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
// The path named by bytes in the ANSI code page.
fs::path localPath(std::string_view bytes)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), wide.data(), length);
    return fs::path(wide);
}

// The path in the ANSI code page, as messages name it.
std::string localText(const fs::path &path)
{
    const std::wstring &wide = path.native();
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

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
// The path named by bytes in the local encoding.
fs::path localPath(std::string_view bytes)
{
    return fs::path(std::string(bytes));
}

// The path in the local encoding, as messages name it.
std::string localText(const fs::path &path)
{
    return path.native();
}

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
fs::path listBaseName(const fs::path &listPath)
{
    const fs::path::string_type fileName = listPath.filename().native();
    return fs::path(fileName.substr(0, fileName.find(fs::path::value_type('.'))));
}

int mergeq7c(const fs::path &listPath, const fs::path &outDir)
{
    FileText listText;
    if (!listText.read(listPath)) {
        std::fprintf(stderr, "Z7Uzurer: cannot read the input list %s\n", localText(listPath).c_str());
        return 1;
    }
    const std::vector<std::string> names = solver::parseInputList(listText.view());
    std::vector<fs::path> paths;
    for (const std::string &name : names)
        paths.push_back(localPath(name));
    size_t cameras = 0;
    size_t images = 0;
    announcedCounts(paths, cameras, images);
    solver::OrientationMerge merge;
    try {
        merge.reserve(cameras, images);
    } catch (const std::bad_alloc &) {
        // Sizes announced by wrong or sparse files: the lists grow as read.
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        const char *const path = names[i].c_str();
        FileText text;
        if (!text.read(paths[i])) {
            std::fprintf(stderr, "Z7Uzurer: cannot read %s\n", path);
            return 1;
        }
        solver::Orientation source;
        std::string error = solver::parseOrientation(text.view(), source);
        if (error.empty())
            error = merge.append(std::move(source));
        if (!error.empty()) {
            std::fprintf(stderr, "Z7Uzurer: %s: %s\n", path, error.c_str());
            return 1;
        }
    }

    fs::path target = outDir / listBaseName(listPath);
    target += "_ori.q7c";
    if (!writeFileAtomically(target, merge.merged())) {
        std::fprintf(stderr, "Z7Uzurer: cannot write %s\n", localText(target).c_str());
        return 1;
    }
    std::printf("Z7Uzurer: merged %d projects: %zu cameras, %zu images, %d duplicates dropped\n",
                merge.projectCount(), merge.merged().cameras.size(),
                merge.merged().images.size(), merge.droppedCount());
    return 0;
}

using Argument = const fs::path::value_type *;

// Whether the argument is the ASCII word.
bool argumentIs(Argument argument, std::string_view word)
{
    size_t i = 0;
    while (i < word.size() && argument[i] == fs::path::value_type(word[i]))
        ++i;
    return i == word.size() && argument[i] == 0;
}

// The letter of a known option ("-t" gives 't'), 0 for anything else.
char optionLetter(Argument argument)
{
    for (const char *flag : {"-t", "-l", "-p", "-d"}) {
        if (argumentIs(argument, flag))
            return flag[1];
    }
    return 0;
}

int run(int argc, const Argument argv[])
{
    if (argc == 2 && argumentIs(argv[1], "--version")) {
        std::printf("Z7Uzurer %s\n", Q7_VERSION);
        return 0;
    }
    std::map<char, fs::path> options;
    for (int i = 1; i < argc; i += 2) {
        const char letter = optionLetter(argv[i]);
        if (!letter || i + 1 >= argc || !options.emplace(letter, argv[i + 1]).second) {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (options.size() != 4 || !argumentIs(options['t'].c_str(), "mergeq7c")) {
        std::fputs(usage, stderr);
        return 2;
    }
    return mergeq7c(options['l'], options['d']);
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t *argv[])
{
    // The standard streams' lines end in LF alone, as elsewhere.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return run(argc, argv);
}
#else
int main(int argc, char *argv[])
{
    return run(argc, argv);
}
#endif
