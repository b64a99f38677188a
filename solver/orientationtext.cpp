#include "orientationtext.h"

#include <charconv>
#include <cmath>
#include <type_traits>

namespace solver {
namespace {

// Hands out the lines of a text one by one, without their line end.
class LineReader
{
public:
    explicit LineReader(std::string_view text) : rest(text) {}

    bool next(std::string_view &line)
    {
        if (rest.empty())
            return false;
        const size_t end = rest.find('\n');
        line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++number;
        return true;
    }

    int lineNumber() const { return number; }

private:
    std::string_view rest;
    int number = 0;
};

// The white-space separated tokens of one line; lines with more than
// maxTokens tokens report one token too many.
struct Tokens
{
    static constexpr int maxTokens = 16;
    std::string_view items[maxTokens];
    int count = 0;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

Tokens split(std::string_view line)
{
    Tokens tokens;
    size_t i = 0;
    while (i < line.size() && tokens.count < Tokens::maxTokens) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        const size_t start = i;
        while (i < line.size() && !isBlank(line[i]))
            ++i;
        if (i > start)
            tokens.items[tokens.count++] = line.substr(start, i - start);
    }
    while (i < line.size() && isBlank(line[i]))
        ++i;
    if (i < line.size())
        tokens.count = Tokens::maxTokens + 1;
    return tokens;
}

template <typename Number>
bool toNumber(std::string_view token, Number &value)
{
    if (token.size() > 1 && token.front() == '+' && token[1] != '-')
        token.remove_prefix(1);
    const char *end = token.data() + token.size();
    const auto result = std::from_chars(token.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return false;
    if constexpr (std::is_floating_point_v<Number>)
        return std::isfinite(value); // "nan", "inf": no value a merge can carry on
    return true;
}

std::string lineError(const LineReader &lines, const std::string &what)
{
    return "line " + std::to_string(lines.lineNumber()) + ": " + what;
}

// Reads the next line as exactly `count` numbers, or as first..count numbers
// when `least` is below count.
template <typename Number>
std::string readNumbers(LineReader &lines, Number *values, int least, int count, const char *what)
{
    std::string_view line;
    if (!lines.next(line))
        return "the file ends where " + std::string(what) + " should follow";
    const Tokens tokens = split(line);
    if (tokens.count < least || tokens.count > count)
        return lineError(lines, "expected " + std::string(what));
    for (int i = 0; i < tokens.count; ++i)
        if (!toNumber(tokens.items[i], values[i]))
            return lineError(lines, "not a number: '" + std::string(tokens.items[i]) + "'");
    return {};
}

std::string readCamera(LineReader &lines, Camera &camera)
{
    // Three integers, then at least pixelSize focal x0 y0 and at most the
    // eight distortion terms as well; the reals are read after the integers.
    std::string_view line;
    if (!lines.next(line))
        return "the file ends where a camera line should follow";
    const Tokens tokens = split(line);
    if (tokens.count < 7 || tokens.count > 15)
        return lineError(lines, "expected a camera: 3 integers and 4 to 12 reals");
    int *integers[3] = {&camera.camIdx, &camera.width, &camera.height};
    for (int i = 0; i < 3; ++i)
        if (!toNumber(tokens.items[i], *integers[i]))
            return lineError(lines, "not an integer: '" + std::string(tokens.items[i]) + "'");
    for (int i = 3; i < tokens.count; ++i)
        if (!toNumber(tokens.items[i], camera.values[i - 3]))
            return lineError(lines, "not a number: '" + std::string(tokens.items[i]) + "'");
    return {};
}

std::string readImageName(LineReader &lines, std::string &name)
{
    std::string_view line;
    if (!lines.next(line))
        return "the file ends where an image name should follow";
    size_t start = 0;
    while (start < line.size() && isBlank(line[start]))
        ++start;
    size_t end = start;
    while (end < line.size() && !isBlank(line[end]))
        ++end;
    if (end == start)
        return lineError(lines, "expected an image name");
    if (end - start > maxImageNameLength)
        return lineError(lines, "image name longer than " + std::to_string(maxImageNameLength) + " bytes");
    name.assign(line.substr(start, end - start));
    return {};
}

std::string readImage(LineReader &lines, Image &image)
{
    int header[3];
    std::string error = readNumbers(lines, header, 3, 3, "3 integers (image, camera, strip)");
    if (error.empty())
        error = readImageName(lines, image.name);
    if (error.empty())
        error = readNumbers(lines, image.rotation, 9, 9, "9 reals (rotation)");
    if (error.empty())
        error = readNumbers(lines, image.position, 3, 3, "3 reals (X Y Z)");
    image.imageIdx = header[0];
    image.camIdx = header[1];
    image.stripNo = header[2];
    return error;
}

void appendNumber(std::string &out, double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    out.append(buffer, result.ptr);
}

void appendNumber(std::string &out, int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    out.append(buffer, result.ptr);
}

template <typename Number>
void appendLine(std::string &out, const Number *values, int count)
{
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            out += ' ';
        appendNumber(out, values[i]);
    }
    out += '\n';
}

} // namespace

std::string parseOrientationHeader(std::string_view text, size_t &images, size_t &cameras)
{
    LineReader lines(text);
    int header[3];
    std::string error = readNumbers(lines, header, 3, 3, "3 integers (images, cameras, flag)");
    if (!error.empty())
        return error;
    if (header[0] < 0 || header[1] < 0)
        return "line 1: negative count";
    images = size_t(header[0]);
    cameras = size_t(header[1]);
    return {};
}

std::string parseOrientation(std::string_view text, Orientation &orientation)
{
    size_t imageCount = 0;
    size_t cameraCount = 0;
    std::string error = parseOrientationHeader(text, imageCount, cameraCount);
    if (!error.empty())
        return error;
    // Every camera takes a line and every image four: a count that the text
    // cannot hold is caught before anything is reserved for it.
    if (cameraCount + 4 * imageCount > text.size() / 2 + 1)
        return "line 1: the counts announce more lines than the file holds";

    LineReader lines(text);
    std::string_view header;
    lines.next(header);
    orientation.cameras.assign(cameraCount, Camera());
    for (Camera &camera : orientation.cameras)
        if (!(error = readCamera(lines, camera)).empty())
            return error;
    orientation.images.assign(imageCount, Image());
    for (Image &image : orientation.images)
        if (!(error = readImage(lines, image)).empty())
            return error;
    return {};
}

void formatOrientation(const Orientation &orientation,
                       const std::function<void(std::string_view)> &write)
{
    constexpr size_t piece = 1 << 20;
    std::string out;
    out.reserve(piece + 4096);
    auto handOver = [&](size_t atLeast) {
        if (out.size() >= atLeast) {
            write(out);
            out.clear();
        }
    };
    const int header[3] = {int(orientation.images.size()), int(orientation.cameras.size()), 0};
    appendLine(out, header, 3);
    for (const Camera &camera : orientation.cameras) {
        const int integers[3] = {camera.camIdx, camera.width, camera.height};
        for (int value : integers) {
            appendNumber(out, value);
            out += ' ';
        }
        appendLine(out, camera.values, 12);
        handOver(piece);
    }
    for (const Image &image : orientation.images) {
        const int integers[3] = {image.imageIdx, image.camIdx, image.stripNo};
        appendLine(out, integers, 3);
        out += image.name;
        out += '\n';
        appendLine(out, image.rotation, 9);
        appendLine(out, image.position, 3);
        handOver(piece);
    }
    handOver(1);
}

std::string formatOrientation(const Orientation &orientation)
{
    std::string text;
    formatOrientation(orientation, [&](std::string_view piece) { text.append(piece); });
    return text;
}

} // namespace solver
