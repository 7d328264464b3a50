#pragma once

namespace vesperine {

// The state of a system feature that tints the displays on its own (the desktop's night
// light): `unavailable` when this desktop has none or its state cannot be read.
enum class SystemFeatureStatus { on, off, unavailable };

}  // namespace vesperine
