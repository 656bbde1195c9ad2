#pragma once
// The question before a password goes to a server that offers no encryption at all. The mail
// layer never sends it unasked: a login that would, stops before the password and names the
// server; the caller asks here and, on "はい", makes the same call again.

class MessageBoxes;
class QWidget;

enum class LoginConsent {
    NotAsked,  // the last failure was another: say it as usual
    Allowed,   // the user agreed, and it is kept for that server: try the login again
    Declined,  // the user said no (or the consent could not be kept): nothing more to say
};

// Asks when the mail library's last failed login stopped for want of consent (default いいえ,
// warning icon, the risk said plainly). A "はい" is kept for that host:port in the data folder.
LoginConsent askUnencryptedLoginIfNeeded(MessageBoxes& messages, QWidget* parent);
