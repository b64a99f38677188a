#ifndef FUZZENTRIES_H
#define FUZZENTRIES_H

#include <cstddef>
#include <cstdint>

// The readers of outside input, each fed one input as the file it reads. Every
// entry returns null when the reader kept its promises, else the promise it
// broke; a crash, a leak or undefined behaviour shows through the sanitizers.
// The fuzz targets and the replay of the corpus in the tests share these.
namespace fuzzing {

// readXyzFile on the input as a position file.
const char *positionFile(const uint8_t *data, size_t size);
// OrientationFileReader::readOrientationFile on the input as a ".q7c" file.
const char *orientationFile(const uint8_t *data, size_t size);
// readProjectFile on the input as a ".Q7D" file.
const char *projectFile(const uint8_t *data, size_t size);
// The solver's parseInputList on the input as its list.
const char *solverInputList(const uint8_t *data, size_t size);
// The solver's parseOrientation on the input, merged twice with
// OrientationMerge::append; the merged text must read back the same.
const char *solverOrientation(const uint8_t *data, size_t size);

// Keeps the readers' messages (standard output, the Qt debug stream) out of
// the fuzzer's output.
void silenceReaders();

} // namespace fuzzing

#endif // FUZZENTRIES_H
