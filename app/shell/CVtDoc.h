// The program's one document. It holds nothing: the project (track, settings, selection) is
// the note view's state, which reads and writes the project file itself.
#pragma once

namespace hummwell {

class CVtDoc final {};

}  // namespace hummwell
