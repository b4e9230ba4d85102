#!/usr/bin/python3
"""Signed and encrypted messages for the decrypted-copy tests, with the keys
they need, all inside DIR (GNUPGHOME is DIR/gnupg; nothing leaves DIR).

Usage: fmt_crypto.py DIR
Writes NAME.eml and NAME.json (the expectations for the decrypted copy, as
fmt_check.py reads them) for smime-detached, smime-opaque, smime-enveloped
and pgp-encrypted, and nokey.eml: enveloped for a certificate whose key is
not in the key ring."""
import email
import email.policy
import os
import subprocess
import sys
from email.message import EmailMessage

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fmt_corpus as corpus  # noqa: E402

OUT = sys.argv[1]
corpus.OUT = OUT
HOME = os.path.join(OUT, "gnupg")
os.makedirs(HOME, mode=0o700, exist_ok=True)
ENV = dict(os.environ, GNUPGHOME=HOME)
with open(os.path.join(HOME, "gpg-agent.conf"), "w") as f:
    f.write("allow-loopback-pinentry\n")


def run(args, data=None):
    r = subprocess.run(args, input=data, capture_output=True, env=ENV)
    if r.returncode != 0:
        sys.exit("%s failed (%d): %s" % (" ".join(args), r.returncode, r.stderr.decode(errors="replace")))
    return r.stdout


def cert(name):
    key, crt = os.path.join(OUT, name + ".key"), os.path.join(OUT, name + ".crt")
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", crt, "-days", "30",
         "-subj", f"/CN={name}/emailAddress={name}@example.org"])
    return key, crt


key, crt = cert("anna")
p12 = os.path.join(OUT, "anna.p12")
# gpgsm reads only the older PKCS#12 ciphers; an empty passphrase keeps the
# imported key unprotected, so no pinentry is asked. gpgsm tries the empty
# passphrase in several encodings, and now and then a wrong one passes the
# padding check and the import fails: a new file (new salt) is tried again.
for attempt in range(8):
    run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", crt, "-out", p12, "-passout", "pass:",
         "-keypbe", "PBE-SHA1-3DES", "-certpbe", "PBE-SHA1-3DES", "-macalg", "sha1"])
    imported = subprocess.run(["gpgsm", "--batch", "--pinentry-mode", "loopback", "--passphrase-fd", "0",
                               "--import", p12], input=b"\n", capture_output=True, env=ENV)
    if imported.returncode == 0:
        break
else:
    sys.exit("gpgsm --import %s failed: %s" % (p12, imported.stderr.decode(errors="replace")))
_, other = cert("other")
run(["gpg", "--batch", "--pinentry-mode", "loopback", "--passphrase", "", "--quick-gen-key",
     "Anna PGP <anna@example.org>", "default", "default", "never"])

inner = EmailMessage(policy=email.policy.SMTP)
inner.set_content("Secret content: the contract is attached.\n")
doc = b"contract terms\n" * 10
inner.add_attachment(doc, maintype="application", subtype="octet-stream", filename="contract.txt")


def wrap(name, body_bytes):
    hdr = corpus.base("Secure copy: " + name)
    head = b"".join(hdr.policy.fold_binary(k, v) for k, v in hdr.items())
    raw = head + body_bytes.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    e = corpus.expect(hdr["Subject"], hdr, "the contract is attached", [corpus.att("contract.txt", doc)])
    corpus.save(name, raw, e)


wrap("smime-detached", run(["openssl", "smime", "-sign", "-signer", crt, "-inkey", key], inner.as_bytes()))
wrap("smime-opaque", run(["openssl", "smime", "-sign", "-nodetach", "-signer", crt, "-inkey", key], inner.as_bytes()))
wrap("smime-enveloped", run(["openssl", "smime", "-encrypt", "-aes256", crt], inner.as_bytes()))
armored = run(["gpg", "--batch", "--trust-model", "always", "--armor", "--encrypt", "-r", "anna@example.org"],
              inner.as_bytes())
wrap("pgp-encrypted", b'Content-Type: multipart/encrypted; protocol="application/pgp-encrypted"; boundary="b1"\n\n'
     b"--b1\nContent-Type: application/pgp-encrypted\n\nVersion: 1\n\n--b1\n"
     b'Content-Type: application/octet-stream; name="encrypted.asc"\n\n' + armored + b"\n--b1--\n")
wrap("nokey", run(["openssl", "smime", "-encrypt", "-aes256", other], inner.as_bytes()))
