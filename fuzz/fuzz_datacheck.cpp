// libFuzzer target: the datafile structure check must answer every input,
// never read outside it, and never accept a stream it cannot vouch for.
#include <cstddef>
#include <cstdint>

#include "datacheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size) {
    rallyton::datafileStreamProblem(bytes, size);
    return 0;
}
