#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace lh::test {

// Folder of the real result pages kept beside the checkout (LH_SAMPLES_DIR in the
// environment overrides it).
inline std::string samplePagesFolder() {
    const char* env = std::getenv("LH_SAMPLES_DIR");
    return env != nullptr ? env : LH_SAMPLES_DIR;
}

inline bool samplePagesPresent() { return std::filesystem::is_directory(samplePagesFolder()); }

}  // namespace lh::test

// Skips a test over the real result pages when the folder of pages is not beside the
// checkout, instead of failing on data the repository does not carry.
#define LH_REQUIRE_SAMPLE_PAGES()                                                                 \
    do {                                                                                          \
        if (!::lh::test::samplePagesPresent())                                                    \
            GTEST_SKIP() << "real result pages not found in " << ::lh::test::samplePagesFolder(); \
    } while (0)
