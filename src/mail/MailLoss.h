#pragma once
// What of a received mail its decoded text and written attachments cannot give back whole. Any
// of these means the raw mail must be kept as well, or something the mail held is gone.

namespace nmail::MailLoss {

enum : int {
    TextCut = 1,          // the text did not fit the buffer it was given
    Undecodable = 2,      // bytes no charset or transfer encoding could read, or no parsable structure
    UnknownEncoding = 4,  // a part in a transfer encoding this library does not know, kept as it came
    Fragment = 8,         // one fragment of a mail split over several messages
    Unrepresentable = 16  // characters code page 932 cannot hold
};

}  // namespace nmail::MailLoss
