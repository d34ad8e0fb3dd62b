#pragma once
// Where the status texts go for other programs to poll.

#include <string_view>

namespace tessarin {

class StatusPublisher {
public:
    virtual ~StatusPublisher() = default;
    // False when the text could not be published (no record open, flush failed).
    virtual bool PublishStatus(std::string_view text) = 0;
};

}  // namespace tessarin
