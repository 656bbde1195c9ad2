#pragma once
// The mail library as the program calls it: POP3 reception, attachment expansion and SMTP
// sending, in code page 932 text.
//
// Text arguments are code page 932 bytes. Output buffers are caller-owned spans; each is filled
// with code page 932 text cut to fit (never splitting a double-byte character) and always
// NUL-terminated. Functions whose result the program ignores still return 0 on success and a
// negative value on failure; NMailGetMessage gives the text of the last failure.
//
// Network waits, trusted CAs, implicit-TLS ports and the SMTP AUTH account come from
// nmail::options() (MailOptions.h).
//
// Each call that talks to a server or writes a file first forgets the failure text and the
// questions (certificate, unencrypted password) an earlier call left; the queries and
// NMailAttachmentFileClose keep them.

#include "mail/MailBytes.h"
#include "mail/trust/CertificateTrust.h"

#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace nmail {

class SmtpSessionPool;

// Prepares the network layer for the whole run. The result is not relied on.
int NMailInitializeWinSock();

// Sets a library option. Option 1 is the size in bytes of the subject, date, sender, header and
// failure-text buffers the caller hands over; output to them is cut to this size as well.
int NMailSetOption(int option, int value);

// Opens a session with a POP3 server given as "host" or "host:port" (110 by default; 995 and
// the other implicit-TLS ports speak TLS at once, others upgrade with STLS when offered).
// Returns a handle, or -1 when the server cannot be reached or does not greet.
int NMailPop3Connect(std::string_view server);

// Logs in. apop is -1 for APOP (never falling back to a clear-text password), 0 for the
// ordinary login. Returns the number of mails, or a negative value.
int NMailPop3Authenticate(int handle, std::string_view userId, std::string_view password, int apop);

// Fetches mail number (from 1) and fills the subject, date and sender (decoded) and the header
// (as received).
int NMailPop3GetMailStatus(int handle, int number, std::span<char> subject, std::span<char> date,
                           std::span<char> sender, std::span<char> header, int flag);

// The size of the mail in bytes as the server lists it or, once NMailPop3GetMailStatus has
// fetched it, the size of its decoded text when that is larger (decoding can make a text
// longer than the mail). Negative for an unknown mail.
int NMailPop3GetMailSize(int handle, int number);

// As NMailPop3GetMailStatus, and fills text with what a person reads of the mail followed by
// the Content-Type and Content-Disposition lines of each attachment. The raw mail is kept for
// NMailAttachmentFileFirst.
int NMailPop3GetMail(int handle, int number, std::span<char> subject, std::span<char> date,
                     std::span<char> sender, std::span<char> header, std::span<char> text,
                     int flag, int option);

// Writes the attachments of the mail whose header is given (the last one fetched by
// NMailPop3GetMail) into folder (a path ending in "\" or "/"). Returns 1 when files were
// written, -5 when a file cannot be written, -6 for a split mail whose other parts are
// missing, and 0 when there is nothing to write.
int NMailAttachmentFileFirst(int flag, std::span<char> subject, std::span<char> date,
                             std::span<char> sender, std::span<char> header, std::span<char> text,
                             std::string_view folder, std::string_view scratchFile,
                             std::string_view wholeMail, int option);

// The mail last fetched by NMailPop3GetMail exactly as the server sent it (null when none is
// kept): in memory, or in an unnamed spool file that can be given a name (MailBytes.h). Until
// the next fetch or NMailAttachmentFileClose; a caller that cannot store the whole text
// elsewhere keeps this copy so that nothing received is lost.
std::shared_ptr<const MailBytes> NMailLastRawMail();

// What of the mail last fetched its buffers and written files cannot give back whole: MailLoss
// bits (mail/MailLoss.h), 0 when nothing is missing. A caller that gets anything else keeps the
// raw mail (NMailLastRawMail) before NMailAttachmentFileClose.
int NMailLastMailLoss();

// Ends an attachment expansion; frees the kept raw mail.
int NMailAttachmentFileClose(int flag);

// Marks the mail for deletion; the server deletes it when the session is closed.
int NMailPop3DeleteMail(int handle, int number);

// Ends the session with QUIT, committing deletions. Returns 0 only when the server acknowledged
// the end and refused no deletion; otherwise the mails marked for deletion may still be on the
// server.
int NMailPop3Close(int handle);

// Ends the session without QUIT: the server commits none of the deletions asked for. For a
// caller that could not keep what it took.
int NMailPop3Abort(int handle);

// Fills uidl with the server's unique id of mail number (empty when the server keeps none).
int NMailPop3GetMailUidl(int handle, int number, std::span<char> uidl);

// The size of mail number in the server's listing, -1 for an unknown mail. Only the server's
// claim: good for recognising a mail again, never for sizing anything.
qint64 NMailPop3GetListedSize(int handle, int number);

// Fills digest with the SHA-256 (hex) of the header lines of mail number (mailHeaderDigest): of
// the mail fetched last when it is that one, else of the header the server gives for TOP (or
// RETR, when it refuses TOP). Returns 0, or a negative value with the failure text set.
int NMailPop3GetHeaderDigest(int handle, int number, std::span<char> digest);

// False once the session of handle is over (its connection broke or went out of step): a
// failed command then says nothing about the one mail it was for.
bool NMailPop3SessionUsable(int handle);

// Whether the last failed NMailPop3Connect may have met someone between the program and the
// server: STLS refused once offered, no TLS from a server that spoke it before, a certificate
// other than the one trusted. Such a failure is worth a warning, not a shrug.
bool NMailLastFailureSuggestsTampering();

// The certificate the last failed NMailPop3Connect or NMailSmtpSendMail refused because it is not
// trusted, with the facts the user needs to decide on it; nullopt when that failure was another.
std::optional<CertificateFacts> NMailUntrustedCertificate();

// Trusts the certificate for its server from now on (kept in options().trustFile); later
// connections to that server accept exactly this certificate. Returns 0, or a negative value.
int NMailTrustCertificate(const CertificateFacts& certificate);

// The server ("host:port") the last failed NMailPop3Authenticate or NMailSmtpSendMail would have
// sent a password to without TLS, had the user agreed; nothing was sent. nullopt when that
// failure was another. The same call may be made again once the user agreed.
std::optional<QString> NMailUnencryptedLoginServer();

// Records the user's consent to send the password to server unencrypted (kept in
// options().securityFile). A server that spoke TLS before is refused all the same.
int NMailAllowUnencryptedLogin(const QString& server);

// Copies the text of the last failure into buffer; length is the buffer size in and the
// number of bytes written out.
int NMailGetMessage(int flag, std::span<char> buffer, int& length);

// While one of these lives, consecutive NMailSmtpSendMail calls share one SMTP connection: a send
// to the server (and with the login) of the one before goes over the open session instead of a
// new connection, TLS handshake and login. Each call still returns its own result and failure
// text. The session ends with the outermost batch.
class NMailSmtpBatch {
public:
    NMailSmtpBatch();
    ~NMailSmtpBatch();
    NMailSmtpBatch(const NMailSmtpBatch&) = delete;
    NMailSmtpBatch& operator=(const NMailSmtpBatch&) = delete;

private:
    std::unique_ptr<SmtpSessionPool> pool_;
};

// Sends one mail. to (and cc, bcc) are RFC 5322 address lists ("a@example.jp, \"Yamada, Taro\"
// <taro@example.jp>"); the envelope goes to their bare addresses. attachments holds file paths
// joined with ",". header holds extra header lines (may be empty). Nothing reaches the server
// when a text that goes into a header or an SMTP command holds a line break or NUL, when an
// address is not one, or when there is no sender. The server given as "host" or "host:port"
// (25 by default; 465 speaks TLS at once, others move to TLS with STARTTLS when offered); the
// program logs in with the SMTP account of options() whenever one is set and the server offers
// AUTH. Returns 0, or a negative value on any failure (also when only some recipients got it).
int NMailSmtpSendMail(std::string_view server, std::string_view to, std::string_view cc,
                      std::string_view bcc, std::string_view from, std::string_view subject,
                      std::string_view body, std::string_view header, std::string_view attachments,
                      int option);

// Releases what NMailInitializeWinSock prepared and ends open sessions. The result is not
// relied on.
int NMailEndWinSock();

}  // namespace nmail
