#!/usr/bin/env python3
"""Writes the test keys and signed catalogs that the package checks run on.

  make-catalog.py pki DIR NAME "ROOT NAME" "SIGNER NAME"
      DIR/NAME.cer (DER) and DIR/NAME.key: a self-signed root;
      DIR/NAME-signer.cer and DIR/NAME-signer.key: a code-signing
      certificate issued by it. The names are the common names. Existing keys are kept, so that a rebuild
      signs with the same keys.

  make-catalog.py catalog [--sha256 | --sha256-only] OUT.cat SIGNER.cer SIGNER.key ROOT.cer FILE...
      A catalog that lists each FILE by its SHA-1 hash (with --sha256-only by
      its SHA-256 hash instead; with --sha256 by
      its SHA-256 hash too, as a member of its own), signed by the signer,
      with the signer and the root included.

RSA 2048 keys, SHA-256 signatures, fixed serial numbers and dates: the same
keys and files give the same bytes.
"""

import datetime
import hashlib
import os
import sys

from asn1crypto import algos, cms, core, x509 as asn1_x509
from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import padding, rsa
from cryptography.x509.oid import ExtendedKeyUsageOID, NameOID

NOT_BEFORE = datetime.datetime(2020, 1, 1)
NOT_AFTER = datetime.datetime(2040, 1, 1)
LIST_TIME = datetime.datetime(2024, 1, 1, tzinfo=datetime.timezone.utc)

OID_CTL = '1.3.6.1.4.1.311.10.1'
OID_CATALOG_LIST = '1.3.6.1.4.1.311.12.1.1'
OID_CATALOG_LIST_MEMBER = '1.3.6.1.4.1.311.12.1.2'
OID_CAT_MEMBERINFO = '1.3.6.1.4.1.311.12.2.2'
OID_SPC_INDIRECT_DATA = '1.3.6.1.4.1.311.2.1.4'
OID_SPC_CAB_DATA = '1.3.6.1.4.1.311.2.1.25'
# The subject type of a member hashed as a flat file.
FLAT_FILE_SUBJECT = '{C689AAB8-8E78-11D0-8C47-00C04FC295EE}'
MEMBER_CERT_VERSION = 0x200


# --- the structures of a catalog (a certificate trust list) ---------------

class ObjectIdentifiers(core.SequenceOf):
    _child_spec = core.ObjectIdentifier


class AttributeValues(core.SetOf):
    _child_spec = core.Any


class Attribute(core.Sequence):
    _fields = [('type', core.ObjectIdentifier), ('values', AttributeValues)]


class Attributes(core.SetOf):
    _child_spec = Attribute


class TrustedSubject(core.Sequence):
    _fields = [('identifier', core.OctetString), ('attributes', Attributes, {'optional': True})]


class TrustedSubjects(core.SequenceOf):
    _child_spec = TrustedSubject


class CertificateTrustList(core.Sequence):
    _fields = [
        ('subject_usage', ObjectIdentifiers),
        ('list_identifier', core.OctetString),
        ('this_update', core.UTCTime),
        ('subject_algorithm', algos.DigestAlgorithm),
        ('trusted_subjects', TrustedSubjects),
    ]


class TypeAndOptionalValue(core.Sequence):
    _fields = [('type', core.ObjectIdentifier), ('value', core.Any, {'optional': True})]


class DigestInfo(core.Sequence):
    _fields = [('digest_algorithm', algos.DigestAlgorithm), ('digest', core.OctetString)]


class IndirectDataContent(core.Sequence):
    _fields = [('data', TypeAndOptionalValue), ('message_digest', DigestInfo)]


class MemberInfo(core.Sequence):
    _fields = [('subject_guid', core.BMPString), ('cert_version', core.Integer)]


# PKCS #7 carries a non-data content as it is, not wrapped in an octet string.
class PlainContentInfo(core.Sequence):
    _fields = [('content_type', core.ObjectIdentifier), ('content', CertificateTrustList, {'explicit': 0})]


class PlainSignedData(core.Sequence):
    _fields = [
        ('version', core.Integer),
        ('digest_algorithms', cms.DigestAlgorithms),
        ('content_info', PlainContentInfo),
        ('certificates', cms.CertificateSet, {'implicit': 0}),
        ('signer_infos', cms.SignerInfos),
    ]


class OuterContentInfo(core.Sequence):
    _fields = [('content_type', core.ObjectIdentifier), ('content', PlainSignedData, {'explicit': 0})]


def der_length(n):
    if n < 0x80:
        return bytes([n])
    octets = n.to_bytes((n.bit_length() + 7) // 8, 'big')
    return bytes([0x80 | len(octets)]) + octets


def flat_file_link():
    # SpcLink, file choice: the placeholder text signing tools put there.
    text = '<<<Obsolete>>>'.encode('utf-16-be')
    inner = b'\x80' + der_length(len(text)) + text
    return core.Any.load(b'\xa2' + der_length(len(inner)) + inner)


def member(path, algorithm):
    with open(path, 'rb') as f:
        digest = hashlib.new(algorithm, f.read()).digest()
    tag = digest.hex().upper()
    indirect = IndirectDataContent({
        'data': {'type': OID_SPC_CAB_DATA, 'value': flat_file_link()},
        'message_digest': {'digest_algorithm': {'algorithm': algorithm, 'parameters': core.Null()}, 'digest': digest},
    })
    info = MemberInfo({'subject_guid': FLAT_FILE_SUBJECT, 'cert_version': MEMBER_CERT_VERSION})
    return tag, {
        'identifier': (tag + '\0').encode('utf-16-le'),
        'attributes': [
            {'type': OID_CAT_MEMBERINFO, 'values': [core.Any.load(info.dump())]},
            {'type': OID_SPC_INDIRECT_DATA, 'values': [core.Any.load(indirect.dump())]},
        ],
    }


def trust_list(files, algorithms):
    members = sorted((member(p, a) for p in files for a in algorithms), key=lambda m: m[0])
    listed = [m for i, m in enumerate(members) if i == 0 or m[0] != members[i - 1][0]]
    return CertificateTrustList({
        'subject_usage': [OID_CATALOG_LIST],
        'list_identifier': hashlib.md5(b''.join(m[0].encode() for m in listed)).digest(),
        'this_update': LIST_TIME,
        'subject_algorithm': {'algorithm': OID_CATALOG_LIST_MEMBER, 'parameters': core.Null()},
        'trusted_subjects': [m[1] for m in listed],
    })


def load_key(path):
    with open(path, 'rb') as f:
        return serialization.load_pem_private_key(f.read(), password=None)


def load_cert_der(path):
    with open(path, 'rb') as f:
        return f.read()


def write_catalog(out_path, signer_cer, signer_key, root_cer, files, algorithms):
    ctl = trust_list(files, algorithms)
    # The digest covers the content's value octets, not its tag and length.
    content_digest = hashlib.sha256(ctl.contents).digest()
    signer = asn1_x509.Certificate.load(load_cert_der(signer_cer))
    root = asn1_x509.Certificate.load(load_cert_der(root_cer))

    signed_attrs = cms.CMSAttributes([
        {'type': 'content_type', 'values': [OID_CTL]},
        {'type': 'message_digest', 'values': [content_digest]},
    ])
    key = load_key(signer_key)
    signature = key.sign(signed_attrs.dump(), padding.PKCS1v15(), hashes.SHA256())

    signer_info = cms.SignerInfo({
        'version': 'v1',
        'sid': cms.SignerIdentifier({'issuer_and_serial_number': {
            'issuer': signer.issuer, 'serial_number': signer.serial_number}}),
        'digest_algorithm': {'algorithm': 'sha256', 'parameters': core.Null()},
        'signed_attrs': signed_attrs,
        'signature_algorithm': {'algorithm': 'rsassa_pkcs1v15', 'parameters': core.Null()},
        'signature': signature,
    })
    message = OuterContentInfo({
        'content_type': '1.2.840.113549.1.7.2',
        'content': {
            'version': 1,
            'digest_algorithms': [{'algorithm': 'sha256', 'parameters': core.Null()}],
            'content_info': {'content_type': OID_CTL, 'content': ctl},
            'certificates': [signer, root],
            'signer_infos': [signer_info],
        },
    })
    with open(out_path, 'wb') as f:
        f.write(message.dump())


# --- the test root and its code-signing certificate -----------------------

def name(common_name):
    return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, common_name)])


def serial_for(text):
    return int.from_bytes(hashlib.sha256(text.encode()).digest()[:8], 'big') >> 1


def key_at(path):
    if os.path.exists(path):
        return load_key(path)
    key = rsa.generate_private_key(public_exponent=65537, key_size=2048)
    with open(path, 'wb') as f:
        f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                  serialization.NoEncryption()))
    return key


def certificate(subject, issuer, public_key, issuer_key, is_ca):
    builder = (x509.CertificateBuilder()
               .subject_name(name(subject)).issuer_name(name(issuer))
               .public_key(public_key).serial_number(serial_for(subject))
               .not_valid_before(NOT_BEFORE).not_valid_after(NOT_AFTER)
               .add_extension(x509.BasicConstraints(ca=is_ca, path_length=None), critical=True)
               .add_extension(x509.SubjectKeyIdentifier.from_public_key(public_key), critical=False))
    if is_ca:
        builder = builder.add_extension(x509.KeyUsage(
            digital_signature=False, content_commitment=False, key_encipherment=False, data_encipherment=False,
            key_agreement=False, key_cert_sign=True, crl_sign=True, encipher_only=False, decipher_only=False),
            critical=True)
    else:
        builder = (builder
                   .add_extension(x509.KeyUsage(
                       digital_signature=True, content_commitment=False, key_encipherment=False,
                       data_encipherment=False, key_agreement=False, key_cert_sign=False, crl_sign=False,
                       encipher_only=False, decipher_only=False), critical=True)
                   .add_extension(x509.ExtendedKeyUsage([ExtendedKeyUsageOID.CODE_SIGNING]), critical=False)
                   .add_extension(x509.AuthorityKeyIdentifier.from_issuer_public_key(issuer_key.public_key()),
                                  critical=False))
    return builder.sign(issuer_key, hashes.SHA256())


def write_pki(folder, base, root_name, signer_name):
    os.makedirs(folder, exist_ok=True)
    root_key = key_at(os.path.join(folder, base + '.key'))
    signer_key = key_at(os.path.join(folder, base + '-signer.key'))
    root = certificate(root_name, root_name, root_key.public_key(), root_key, True)
    signer = certificate(signer_name, root_name, signer_key.public_key(), root_key, False)
    for path, cert in ((base + '.cer', root), (base + '-signer.cer', signer)):
        with open(os.path.join(folder, path), 'wb') as f:
            f.write(cert.public_bytes(serialization.Encoding.DER))


def main(argv):
    if len(argv) == 5 and argv[0] == 'pki':
        write_pki(argv[1], argv[2], argv[3], argv[4])
    elif len(argv) >= 6 and argv[0] == 'catalog':
        algorithms = ['sha1']
        if argv[1] == '--sha256':
            algorithms.append('sha256')
            argv = argv[1:]
        elif argv[1] == '--sha256-only':
            algorithms = ['sha256']
            argv = argv[1:]
        write_catalog(argv[1], argv[2], argv[3], argv[4], argv[5:], algorithms)
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
