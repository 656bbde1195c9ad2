#pragma once
// Trusting a server's certificate on purpose. The mail layer refuses a certificate that the
// system's authorities do not vouch for (a home server's self-signed one, say), or that differs
// from the one trusted before; the user then sees what identifies it and decides. Nothing is
// fetched, deleted or sent over such a connection before that.

#include "mail/trust/CertificateTrust.h"
#include "platform/ProgramFolder.h"

class MessageBoxes;
class QString;
class QWidget;

// Points the mail layer at the program's own files in the data folder: the certificates the user
// trusted, and what each server offered before and was allowed (server-security.txt).
void useTrustedCertificatesOf(const ProgramFolder& folder);

// The mail library's text for its last failure.
QString lastMailFailureText();

// Shows the certificate's server, subject, issuer, validity, SHA-256 fingerprint and problems
// (with a warning when it replaces a certificate trusted before) and asks whether to trust it
// for that server. True when the user said yes and the choice is kept.
bool askToTrustCertificate(MessageBoxes& messages, QWidget* parent, const nmail::CertificateFacts& facts);
