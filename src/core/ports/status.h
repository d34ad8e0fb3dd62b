#pragma once
// The status record other programs poll: opened at start-up, written with every status text,
// closed at the end.

#include <string>
#include <string_view>

namespace tessarin {

class StatusPublisher {
public:
    virtual ~StatusPublisher() = default;
    // Opens the record of that name, or creates it; false when neither could be done (the
    // program then publishes nothing).
    virtual bool OpenStatusRecord(const std::string& name) = 0;
    // False when the text could not be published (no record open, flush failed).
    virtual bool PublishStatus(std::string_view text) = 0;
    // False when nothing was open.
    virtual bool CloseStatusRecord() = 0;
};

}  // namespace tessarin
