#pragma once
// The catalogue's refusals: a name that may not be used, a directory that
// cannot be made, a stored date that does not parse.

#include "Exception.h"

namespace flk {

class ECatalogueError : public Exception {
public:
    using Exception::Exception;
};

// A stored date that does not parse: "'<text>' is not a valid date".
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

} // namespace flk
