// Z7Uzurer: the command-line solver. Of its tasks this build knows
// "mergeq7c", which merges the orientation files named in a list into one.
//
//   Z7Uzurer -t mergeq7c -l LIST -p POS -d DIR
//
// writes DIR/<LIST's base name up to its first dot>_ori.q7c. Exit codes:
// 0 merged, 1 an input could not be read or the result not written, 2 usage.

#include "inputlist.h"
#include "orientationmerge.h"
#include "orientationtext.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char usage[] =
    "usage: Z7Uzurer -t mergeq7c -l LIST -p POS -d DIR\n"
    "  -t  the task; only mergeq7c is known\n"
    "  -l  text file naming one orientation file (_ori.q7c) a line\n"
    "  -p  the merged position file of the new project\n"
    "  -d  folder that receives <LIST's base name>_ori.q7c\n";

// Reads a regular file whole, in one piece.
bool readFile(const std::string &path, std::string &text)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    std::ifstream in(path, std::ios::binary);
    if (error || !in)
        return false;
    text.resize(size_t(size));
    in.read(text.data(), std::streamsize(size));
    return std::uintmax_t(in.gcount()) == size;
}

// Reads and checks every source named in the list, in order; reports the
// first that cannot be read or merged.
bool readSources(const std::vector<std::string> &paths, std::vector<solver::Orientation> &sources)
{
    sources.resize(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        std::string text;
        if (!readFile(paths[i], text)) {
            std::fprintf(stderr, "Z7Uzurer: cannot read %s\n", paths[i].c_str());
            return false;
        }
        std::string error = solver::parseOrientation(text, sources[i]);
        if (error.empty())
            error = solver::checkSource(sources[i]);
        if (!error.empty()) {
            std::fprintf(stderr, "Z7Uzurer: %s: %s\n", paths[i].c_str(), error.c_str());
            return false;
        }
    }
    return true;
}

// Writes the orientation beside the target, piece by piece, and renames it
// into place, so that the target is either the old file or the whole new one.
bool writeFileAtomically(const fs::path &target, const solver::Orientation &orientation)
{
    fs::path temporary = target;
    temporary += ".part" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        solver::formatOrientation(orientation, [&](std::string_view piece) {
            out.write(piece.data(), std::streamsize(piece.size()));
        });
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error)
        fs::remove(temporary, error);
    return !error;
}

// LIST's file name up to its first dot.
std::string listBaseName(const std::string &listPath)
{
    const std::string fileName = fs::path(listPath).filename().string();
    return fileName.substr(0, fileName.find('.'));
}

int mergeq7c(const std::string &listPath, const std::string &outDir)
{
    std::string listText;
    if (!readFile(listPath, listText)) {
        std::fprintf(stderr, "Z7Uzurer: cannot read the input list %s\n", listPath.c_str());
        return 1;
    }
    // All sources are read first, so that the merged lists are sized once.
    std::vector<solver::Orientation> sources;
    if (!readSources(solver::parseInputList(listText), sources))
        return 1;
    size_t cameras = 0;
    size_t images = 0;
    for (const solver::Orientation &source : sources) {
        cameras += source.cameras.size();
        images += source.images.size();
    }
    solver::OrientationMerge merge;
    merge.reserve(cameras, images);
    for (solver::Orientation &source : sources)
        merge.append(std::move(source)); // checked while reading

    const fs::path target = fs::path(outDir) / (listBaseName(listPath) + "_ori.q7c");
    if (!writeFileAtomically(target, merge.merged())) {
        std::fprintf(stderr, "Z7Uzurer: cannot write %s\n", target.c_str());
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
