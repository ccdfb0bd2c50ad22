#pragma once
// Exceptions of the zip library. All carry a plain English message.

#include "platform/sysutils.h"

// An archive without an end-of-central-directory record ("Incomplete Zip File").
class EIncompleteZip : public Exception {
public:
    using Exception::Exception;
};
// A decoder ran out of data or met data it cannot decode ("Premature end of file reached").
class EFatalUnzipError : public Exception {
public:
    using Exception::Exception;
};
// A cancel request or a handler that stopped the operation ("User Aborted Operation").
class EUserCanceled : public Exception {
public:
    using Exception::Exception;
};
// The compressor's match check failed ("Start: %d, Match: %d, Length: %d"), or another
// internal consistency failure of the compressor.
class EInvalidMatch : public Exception {
public:
    using Exception::Exception;
};
// An index out of range in the library's lists ("Index %d is out of range").
class EListError : public Exception {
public:
    using Exception::Exception;
};
// A class name unknown to the object container's class registry.
class EClassNotFound : public Exception {
public:
    using Exception::Exception;
};
// Any other refusal of the library: unsafe entry names, archives of 4 GiB or more, a CRC
// mismatch, a wrong password, an unknown method, an entry that cannot be found.
class EZipError : public Exception {
public:
    using Exception::Exception;
};
