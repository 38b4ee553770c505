// The plain copy of a message: the text without its ruby readings, as save records keep it and
// the save screens show it.
#pragma once

#include <cstddef>

namespace kestrel::script {

// Writes into `out` (of `size` bytes, always terminated) the text with every ruby "<base<reading>"
// reduced to its base: the brackets and the reading are dropped. Double-byte characters are
// copied whole; a text cut off inside a ruby keeps what it has of the base.
void BuildPlainText(const char* text, char* out, size_t size);

} // namespace kestrel::script
