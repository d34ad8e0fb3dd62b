#pragma once
// The small picture of an entry in the strip.

#include <optional>

#include "core/imagelist/image.h"
#include "core/imagelist/strip_geometry.h"

namespace tessarin {

// A picture that fits its panel is kept as it is; a larger one is scaled down by area. Either
// way only what the panel can show is kept. Nothing for an empty picture: it is not listed.
[[nodiscard]] std::optional<Image> MakeStripThumbnail(const Image& picture, const StripLayout& layout);

}  // namespace tessarin
