#pragma once
// The numbers quoted in "*** Internal Error N encountered while processing:" messages, one per
// kind of failure, so a user's processing log can be traced back to the step that failed.
namespace trevix {

enum InternalError : int {
    ErrTimeStampNoColon = 101,        // time stamp without ":" between date and time
    ErrTimeStampNoBlank = 102,        // no blank between the time and the zone
    ErrFirstTimeNotDate = 103,        // a first-line time stamp that does not read as a date
    ErrStatusOutOfRange = 104,        // status number beyond the 16-bit range
    ErrBytesOutOfRange = 105,         // byte count beyond the 64-bit range
    ErrHostNoQuote = 106,             // text after the bytes field without any double quote
    ErrUserAgentNoQuote = 107,        // user agent without its closing quote
    ErrLastTimeNotDate = 108,         // a file's last time stamp that does not read as a date
    ErrFilterDateNotDate = 109,       // date filter on an entry whose date does not read
};

} // namespace trevix
