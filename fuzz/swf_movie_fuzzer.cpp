// Feeds arbitrary bytes to the Flash movie readers. They must refuse what
// is damaged without crashing, reading out of bounds or allocating beyond
// the movie size limit, and what they accept must hold together: a movie
// with frame reports reads back with the same header.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "media/flash/flash_movie_size.h"
#include "media/flash/swf_frame_reports.h"
#include "media/flash/swf_movie.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> file(data, size);
    auto stage = korv::FlashMovieSize(file);
    if (stage && (stage->width <= 0 || stage->height <= 0)) std::abort();

    auto movie = korv::ReadSwfMovie(file);
    if (movie) {
        if (movie->uncompressed.size() > korv::kMaxSwfMovieBytes || movie->tagsOffset > movie->uncompressed.size())
            std::abort();
        if (!stage || *stage != movie->stage) {
            // Both read the same rectangle; only an empty one differs.
            if (stage || movie->stage != korv::kDefaultFlashStage) std::abort();
        }
    }

    for (bool stop : {false, true}) {
        auto reported = korv::AddFrameReports(file, stop);
        if (!reported) continue;
        if (!movie || movie->actionScript3) std::abort();
        auto again = korv::ReadSwfMovie(*reported);
        if (!again || again->frameCount != movie->frameCount || again->stage != movie->stage ||
            again->version != movie->version || again->uncompressed != *reported)
            std::abort();
    }
    return 0;
}
