"""What Python's email package (policy default) reads in a mail, put in the terms of a record.

The program and Python agree on the rules below; the decoding itself is Python's:
- multipart/alternative: the text/plain version, else the last one; other multiparts: every part;
- a multipart Python cannot split (no boundary, or one that never occurs) is text;
- a part in a transfer encoding outside RFC 2045's (and uuencode) is an attachment holding its
  data as it came (RFC 2045 6.4), and the raw mail must be kept;
- a text/* part without an attachment disposition or a file name is text, everything else an
  attachment; HTML reads as w3m (a text browser) sets it, with each link's address after its
  text;
- a forwarded mail (message/rfc822) is an attachment and is also shown in the text where it
  stands: a heading line, its From, Date, Subject and To as written (decoded), a blank line, its
  own text by these same rules, a line naming each of its attachments, and a closing line;
- a message/partial fragment is not whole by nature: the raw mail must be kept.
"""

import email
import email.errors
import email.header
import email.policy
import re
import subprocess
import unicodedata
from dataclasses import dataclass, field

# The characters code page 932 holds at other code points (JIS-minded software writes them so).
LOOKALIKES = str.maketrans({'\u301c': '\uff5e', '\u2016': '\u2225', '\u2212': '\uff0d', '\u00a2': '\uffe0',
                            '\u00a3': '\uffe1', '\u00ac': '\uffe2', '\u2014': '\u2015'})
# Signs code page 932 lacks, and what stands for them (the program's rule).
SIGNS = {'\u00a5': '\uffe5', '\u203e': '\uffe3', '\u00a6': '\uffe4', '\u2022': '\u30fb', '\u00b7': '\u30fb',
         '\u2027': '\u30fb', '\u2219': '\u30fb', '\u00ab': '\u226a', '\u00bb': '\u226b', '\u00a9': '(C)',
         '\u00ae': '(R)', '\u2122': 'TM', '\u2011': '-', '\u2012': '-', '\u2013': '-', '\u00bc': '1/4',
         '\u00bd': '1/2', '\u00be': '3/4'}
STAND_IN = '\u3013'
KNOWN_ENCODINGS = {'', '7bit', '8bit', 'binary', 'base64', 'quoted-printable', 'uuencode', 'x-uuencode'}
FRAGMENT = object()


@dataclass
class Expected:
    subject: str = ''
    sender: str = ''
    text: str = ''
    html: bool = False
    attachments: list = field(default_factory=list)  # (type, file name or None, bytes | [Message] | FRAGMENT)
    must_keep_raw: str = ''
    record_bytes: list = field(default_factory=list)  # byte strings the stored text must contain
    links: list = field(default_factory=list)  # the addresses of the links of its HTML


def _exact(text):
    try:
        return text.encode('cp932').decode('cp932')
    except UnicodeError:
        return None


def _look_alike(ch):
    """What stands in the record for a character code page 932 lacks: a space for a space, nothing
    for an invisible one, a sign's look-alike, the letter without its accents (NFKD), else the
    stand-in mark. Judged per character, where the program goes by what a reader sees as one
    (an emoji with its joiners is one mark there); such mails are kept raw either way."""
    category = unicodedata.category(ch)
    if category == 'Zs':
        return ' '
    if category in ('Cf', 'Mn', 'Me', 'Mc'):
        return ''
    if ch in SIGNS:
        return SIGNS[ch]
    plain = ''.join(c for c in unicodedata.normalize('NFKD', ch) if not unicodedata.category(c).startswith('M'))
    return (_exact(plain) if plain and plain != ch else None) or STAND_IN


def in_cp932(text):
    """text as code page 932 holds it."""
    return ''.join(_exact(ch) or _look_alike(ch) for ch in text.translate(LOOKALIKES))


def collapsed(text):
    return ' '.join(text.split())


def field_matches(stored, text, width):
    """A record field holds text cut to width bytes of code page 932 (folding whitespace aside)."""
    cut = in_cp932(text).encode('cp932')[:width].decode('cp932', errors='ignore')
    return collapsed(stored) == collapsed(cut)


def comparable(text, html_in_it, links=()):
    # The viewer's text box shows a no-break space as a space and reads any line end as one. Text
    # from HTML is compared by its letters and digits in their order (as the HTML suite does),
    # once the addresses the program writes after links are taken out.
    text = text.replace('\u00a0', ' ').replace('\r\n', '\n').replace('\r', '\n')
    text = re.sub(r'^（添付: [^\n]*）\n', '', text, flags=re.M)
    if html_in_it:
        for link in links:
            text = text.replace('<%s>' % link, '')
    text = in_cp932(text).strip(' \n')
    return ''.join(c for c in text if c.isalnum()) if html_in_it else text


def w3m_dump(source):
    """The text w3m sets an HTML part as at 80 columns (its link numbers and strike-out marks
    taken out; images without alt text unnamed), and the addresses of its links."""
    out = subprocess.run(['w3m', '-dump', '-T', 'text/html', '-I', 'UTF-8', '-O', 'UTF-8', '-cols', '80',
                          '-o', 'pseudo_inlines=0', '-o', 'display_link_number=1'],
                         input=source.encode('utf-8'), capture_output=True, check=True).stdout.decode('utf-8')
    text, _, references = out.rpartition('\nReferences:\n')
    if not _:
        text, references = out, ''
    text = re.sub(r'\[\d+\]|\[(S|DEL|INS):|:(S|DEL|INS)\]', '', text)
    return text, re.findall(r'^\[\d+\] (\S+)$', references, re.M)


def header_text(msg, name):
    value = msg.get(name)
    if value is None:
        return ''
    text = str(value)
    if '=?' in text:
        # Python leaves a whole encoded word undecoded for one bad character in it; read it
        # character by character instead, as the program does.
        text = ''.join(part.decode(charset or 'ascii', errors='replace') if isinstance(part, bytes) else part
                       for part, charset in email.header.decode_header(text))
    return text


def sender_text(msg, name='from'):
    """The From (or another address) field decoded but otherwise as written: the record keeps it
    so (comments and quotes included), where policy default's str() would write the address list
    anew."""
    raw = [value for key, value in msg.raw_items() if key.lower() == name]
    if not raw:
        return ''
    unfolded = re.sub(r'\r?\n(?=[ \t])', '', str(raw[0])).strip()
    try:
        return str(email.header.make_header(email.header.decode_header(unfolded)))
    except (LookupError, UnicodeError, email.errors.HeaderParseError):
        return header_text(msg, name)


def _text_of(part):
    try:
        return part.get_content()
    except (LookupError, KeyError):
        payload = part.get_payload(decode=True) or b''
        return payload.decode(part.get_content_charset() or 'utf-8', errors='replace')


FORWARD_HEADING = '-------- 転送されたメール --------'
FORWARD_CLOSING = '-------- 転送されたメールここまで --------'
MAX_FORWARD_DEPTH = 3


def forwarded_text(inner, depth, e):
    """The block a forwarded mail is shown as. The lines naming its own attachments are left to
    comparable() to pass over: their names are the program's choice (compare_attachments judges
    the names of files it writes)."""
    text = FORWARD_HEADING + '\n'
    for label, value in (('差出人: ', sender_text(inner)), ('日付: ', header_text(inner, 'date')),
                         ('件名: ', header_text(inner, 'subject')), ('宛先: ', sender_text(inner, 'to'))):
        if value:
            text += label + value + '\n'
    if depth <= MAX_FORWARD_DEPTH:
        shown = expect_message(inner, depth + 1)
        e.html, e.links = e.html or shown.html, e.links + shown.links
        text += '\n' + shown.text
    return text + FORWARD_CLOSING + '\n'


def expect_message(msg, depth=1):
    e = Expected(subject=header_text(msg, 'subject'), sender=sender_text(msg))
    pieces = []

    def walk(part):
        ctype = part.get_content_type()
        if ctype == 'message/partial':
            e.must_keep_raw = 'fragment of a split mail'
            e.attachments.append((ctype, None, FRAGMENT))
            return
        if part.is_multipart():
            children = part.get_payload()
            if not ctype.startswith('multipart/'):
                e.attachments.append((ctype, part.get_filename(), children))
                if ctype in ('message/rfc822', 'message/global') and children:
                    pieces.append(forwarded_text(children[0], depth, e))
            elif ctype == 'multipart/alternative':
                plain = [c for c in children if c.get_content_type() == 'text/plain']
                walk(plain[0] if plain else children[-1])
            else:
                for child in children:
                    walk(child)
            return
        if ctype.startswith('multipart/'):
            pieces.append(_text_of(part))
            return
        if str(part.get('content-transfer-encoding', '')).strip().lower() not in KNOWN_ENCODINGS:
            e.must_keep_raw = 'part in an unknown transfer encoding'
            e.attachments.append((ctype, part.get_filename(), part.get_payload(decode=True)))
            return
        attached = part.get_content_disposition() == 'attachment' or part.get_filename() is not None
        if part.get_content_maintype() == 'text' and not attached:
            text = _text_of(part)
            if ctype == 'text/html':
                text, links = w3m_dump(text)
                e.html, e.links = True, e.links + links
            pieces.append(text)
            return
        e.attachments.append((ctype, part.get_filename(), part.get_payload(decode=True) or b''))

    walk(msg)
    e.text = ''.join(p if p.endswith(('\n', '\r')) or not p else p + '\n' for p in pieces)
    return e


def as_served(raw):
    """The mail as Dovecot hands it out: every line ended by CR LF."""
    return raw.replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')


def expect(raw):
    """What Python reads in a mail as the server hands it out."""
    return expect_message(email.message_from_bytes(as_served(raw), policy=email.policy.default))


def safe_name(name):
    """The file name the program may use for name: code page 932, no separators or reserved
    characters, no leading or trailing dots and spaces. None when any name will do."""
    name = re.sub(r'[\x00-\x1f\x7f/\\:*?"<>|]', '_', in_cp932(name)).strip(' .')
    if not name or len(name.encode('cp932')) > 200 or re.match(r'(?i)(con|prn|aux|nul|com\d|lpt\d)(\..*)?$', name):
        return None
    return name


def _same_content(ctype, data, actual):
    if isinstance(data, bytes):
        return actual == data
    if ctype == 'message/rfc822':
        inner, kept = expect_message(data[0]), expect(actual)
        return (collapsed(inner.subject), comparable(inner.text, inner.html, inner.links), len(inner.attachments)) == \
               (collapsed(kept.subject), comparable(kept.text, kept.html, kept.links), len(kept.attachments))
    # Other message/* parts Python splits into header blocks and writes back its own way.
    written = b''.join(m.as_bytes(policy=email.policy.default) for m in data)
    return collapsed(actual.decode('latin-1')) == collapsed(written.decode('latin-1'))


def compare_attachments(expected, listed, folder, complete):
    problems = []
    if len(listed) != len(expected) and complete:
        problems.append('%d attachments listed, %d expected' % (len(listed), len(expected)))
    for (ctype, name, data), (_, written) in zip(expected, listed):
        if data is FRAGMENT:
            if written:
                problems.append('a fragment was written as %s' % written)
            continue
        if not written:
            problems.append('attachment %r was not written' % name)
            continue
        want = safe_name(name) if name else None
        if want and re.sub(r' \(\d+\)(?=\.[^.]*$|$)', '', written) != want:
            problems.append('attachment written as %r, expected %r' % (written, want))
        path = folder / written
        if not path.is_file() or not _same_content(ctype, data, path.read_bytes()):
            problems.append('attachment %r does not hold the data of %r' % (written, name))
    return problems
