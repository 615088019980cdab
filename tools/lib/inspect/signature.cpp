#include "signature.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "authenticode_digest.h"
#include "pe/pe_certificates.h"

namespace brantel::inspect {
namespace {

constexpr std::uint16_t kRevision2 = 0x0200;
constexpr std::uint16_t kPkcsSignedData = 0x0002;
constexpr char kSpcIndirectData[] = "1.3.6.1.4.1.311.2.1.4";
// szOID_NESTED_SIGNATURE: an unauthenticated attribute whose values are further signatures.
constexpr char kNestedSignature[] = "1.3.6.1.4.1.311.2.4.1";

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using Pkcs7 = std::unique_ptr<PKCS7, Deleter<PKCS7, PKCS7_free>>;
using DigestInfo = std::unique_ptr<X509_SIG, Deleter<X509_SIG, X509_SIG_free>>;
using Object = std::unique_ptr<ASN1_OBJECT, Deleter<ASN1_OBJECT, ASN1_OBJECT_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
struct FreeCertificates {
  void operator()(STACK_OF(X509) * stack) const { sk_X509_free(stack); }
};

// Thrown where the signature's structure is not what Authenticode lays down.
struct Malformed {
  const char* why;
};

// The DER header of one element that must end within [at, end); moves `at` to its contents.
long Element(const unsigned char*& at, const unsigned char* end, int expected_tag,
             const char* why) {
  long length = 0;
  int tag = 0;
  int cls = 0;
  const int kind = ASN1_get_object(&at, &length, &tag, &cls, end - at);
  // 0x80: an error; 1: indefinite length, which DER forbids.
  if ((kind & 0x80) != 0 || (kind & 1) != 0 || cls != V_ASN1_UNIVERSAL || tag != expected_tag ||
      length > end - at) {
    throw Malformed{why};
  }
  return length;
}

// SpcIndirectDataContent ::= SEQUENCE { data SpcAttributeTypeAndOptionalValue,
// messageDigest DigestInfo }. Its contents, without the outer header, are what the
// messageDigest attribute covers.
struct IndirectData {
  std::span<const unsigned char> contents;
  DigestInfo digest;
};

IndirectData ReadIndirectData(const PKCS7& p7) {
  const PKCS7* inner = p7.d.sign->contents;
  const Object expected(OBJ_txt2obj(kSpcIndirectData, 1));
  if (inner == nullptr || inner->type == nullptr || !expected ||
      OBJ_cmp(inner->type, expected.get()) != 0) {
    throw Malformed{"the signed content is not SpcIndirectDataContent"};
  }
  const ASN1_TYPE* value = inner->d.other;
  if (value == nullptr || value->type != V_ASN1_SEQUENCE) {
    throw Malformed{"SpcIndirectDataContent is not a sequence"};
  }
  const ASN1_STRING* sequence = value->value.sequence;
  const unsigned char* at = sequence->data;
  const unsigned char* end = at + sequence->length;
  const long length = Element(at, end, V_ASN1_SEQUENCE, "SpcIndirectDataContent is malformed");
  IndirectData data{{at, static_cast<std::size_t>(length)}, nullptr};
  const unsigned char* contents_end = at + length;
  at += Element(at, contents_end, V_ASN1_SEQUENCE, "SpcIndirectDataContent is malformed");
  data.digest.reset(d2i_X509_SIG(nullptr, &at, contents_end - at));
  if (!data.digest) throw Malformed{"its DigestInfo is malformed"};
  return data;
}

std::string Subject(X509* certificate) {
  const Bio out(BIO_new(BIO_s_mem()));
  if (!out || X509_NAME_print_ex(out.get(), X509_get_subject_name(certificate), 0,
                                 XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) < 0) {
    return "";
  }
  char* text = nullptr;
  const long length = BIO_get_mem_data(out.get(), &text);
  if (text == nullptr || length <= 0) return "";
  return std::string(text, static_cast<std::size_t>(length));
}

// Digests the SpcIndirectDataContent through an OpenSSL digest BIO and lets PKCS7_signatureVerify
// compare that with the messageDigest attribute and check the signature over the attributes.
bool SignatureVerifies(PKCS7& p7, PKCS7_SIGNER_INFO& signer, X509& certificate,
                       std::span<const unsigned char> contents) {
  const EVP_MD* md = EVP_get_digestbyobj(signer.digest_alg->algorithm);
  if (md == nullptr) return false;
  Bio chain(BIO_new(BIO_f_md()));
  BIO* source = BIO_new_mem_buf(contents.data(), static_cast<int>(contents.size()));
  if (!chain || source == nullptr || BIO_set_md(chain.get(), md) != 1) {
    BIO_free(source);
    return false;
  }
  BIO_push(chain.get(), source);
  std::array<unsigned char, 4096> buffer{};
  while (BIO_read(chain.get(), buffer.data(), static_cast<int>(buffer.size())) > 0) {
  }
  return PKCS7_signatureVerify(chain.get(), &p7, &signer, &certificate) == 1;
}

// The DER of each signature nested in the signer's unauthenticated attributes, in their order; a
// value that is no SEQUENCE gives an empty view, which reads as no PKCS#7 structure.
std::vector<std::span<const unsigned char>> NestedSignatures(const PKCS7_SIGNER_INFO& signer) {
  const Object nested(OBJ_txt2obj(kNestedSignature, 1));
  if (!nested) return {};
  const STACK_OF(X509_ATTRIBUTE)* attributes = PKCS7_get_attributes(&signer);
  std::vector<std::span<const unsigned char>> found;
  for (int i = 0; i < X509at_get_attr_count(attributes); ++i) {
    X509_ATTRIBUTE* attribute = X509at_get_attr(attributes, i);
    if (OBJ_cmp(X509_ATTRIBUTE_get0_object(attribute), nested.get()) != 0) continue;
    for (int v = 0; v < X509_ATTRIBUTE_count(attribute); ++v) {
      const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(attribute, v);
      const bool sequence = value != nullptr && value->type == V_ASN1_SEQUENCE;
      found.push_back(sequence ? std::span<const unsigned char>(
                                     value->value.sequence->data,
                                     static_cast<std::size_t>(value->value.sequence->length))
                               : std::span<const unsigned char>());
    }
  }
  return found;
}

SignatureFacts Unreadable(std::string why) {
  SignatureFacts facts;
  facts.problem = std::move(why);
  return facts;
}

// Reads the signatures of one image: those of its certificate table and those nested in them.
class SignatureReader {
 public:
  SignatureReader(std::span<const std::uint8_t> image, const pe::CertificateTable& table)
      : image_(image), table_(table) {}

  // Adds the signature in `der`, then those nested in it; `depth` is 1 for a table entry's own.
  void Read(std::span<const unsigned char> der, int depth) {
    if (!Room()) return;
    const unsigned char* at = der.data();
    const Pkcs7 p7(d2i_PKCS7(nullptr, &at, static_cast<long>(der.size())));
    std::vector<std::span<const unsigned char>> nested;
    try {
      if (!p7) throw Malformed{"not a PKCS#7 structure"};
      const PKCS7_SIGNER_INFO* signer = nullptr;
      found_.push_back(Describe(*p7, signer));
      nested = NestedSignatures(*signer);
    } catch (const Malformed& malformed) {
      found_.push_back(Unreadable(malformed.why));
      return;
    }
    for (const std::span<const unsigned char> signature : nested) {
      if (depth == kMaxSignatureDepth) {
        Add(Unreadable("signatures nested more than " + std::to_string(kMaxSignatureDepth) +
                       " deep are not read"));
        return;
      }
      Read(signature, depth + 1);
    }
  }

  void Add(SignatureFacts facts) {
    if (Room()) found_.push_back(std::move(facts));
  }

  std::vector<SignatureFacts> Found() && { return std::move(found_); }

 private:
  SignatureFacts Describe(PKCS7& p7, const PKCS7_SIGNER_INFO*& signer_info) {
    if (!PKCS7_type_is_signed(&p7) || p7.d.sign == nullptr) {
      throw Malformed{"not PKCS#7 SignedData"};
    }
    const IndirectData indirect = ReadIndirectData(p7);

    SignatureFacts facts;
    facts.state = SignatureFacts::State::kSigned;
    const X509_ALGOR* algorithm = nullptr;
    const ASN1_OCTET_STRING* signed_digest = nullptr;
    X509_SIG_get0(indirect.digest.get(), &algorithm, &signed_digest);
    const ASN1_OBJECT* algorithm_object = nullptr;
    X509_ALGOR_get0(&algorithm_object, nullptr, nullptr, algorithm);
    const EVP_MD* md = EVP_get_digestbyobj(algorithm_object);
    if (md == nullptr) throw Malformed{"it names a digest algorithm OpenSSL does not know"};
    facts.digestAlgorithm = OBJ_nid2sn(EVP_MD_get_type(md));
    const std::vector<std::uint8_t>& digest = DigestWith(md);
    facts.digestMatches = std::equal(digest.begin(), digest.end(), signed_digest->data,
                                     signed_digest->data + signed_digest->length);

    STACK_OF(PKCS7_SIGNER_INFO)* signers = PKCS7_get_signer_info(&p7);
    if (signers == nullptr || sk_PKCS7_SIGNER_INFO_num(signers) != 1) {
      throw Malformed{"Authenticode wants exactly one signer"};
    }
    const std::unique_ptr<STACK_OF(X509), FreeCertificates> certificates(
        PKCS7_get0_signers(&p7, nullptr, 0));
    if (!certificates || sk_X509_num(certificates.get()) != 1) {
      throw Malformed{"the signer's certificate is not in the signature"};
    }
    X509* certificate = sk_X509_value(certificates.get(), 0);
    PKCS7_SIGNER_INFO* signer = sk_PKCS7_SIGNER_INFO_value(signers, 0);
    facts.signer = Subject(certificate);
    facts.signatureVerifies = SignatureVerifies(p7, *signer, *certificate, indirect.contents);
    signer_info = signer;
    return facts;
  }

  // The file's Authenticode digest with `md`, computed once for each algorithm the signatures
  // name.
  const std::vector<std::uint8_t>& DigestWith(const EVP_MD* md) {
    const int type = EVP_MD_get_type(md);
    for (const auto& [known, digest] : digests_) {
      if (known == type) return digest;
    }
    auto digest = AuthenticodeDigest(image_, table_, md);
    if (!digest) throw Malformed{"the headers it covers are not in the file"};
    return digests_.emplace_back(type, std::move(*digest)).second;
  }

  // Whether another signature may be read; the first one beyond the limit is reported instead.
  bool Room() {
    if (found_.size() < kMaxSignatures) return true;
    if (found_.size() == kMaxSignatures) {
      found_.push_back(Unreadable("more than " + std::to_string(kMaxSignatures) +
                                  " signatures; the rest are not read"));
    }
    return false;
  }

  std::span<const std::uint8_t> image_;
  const pe::CertificateTable& table_;
  std::vector<std::pair<int, std::vector<std::uint8_t>>> digests_;
  std::vector<SignatureFacts> found_;
};

}  // namespace

std::vector<SignatureFacts> DescribeSignatures(std::span<const std::uint8_t> image) {
  // Only a PE image can carry Authenticode; a file of other bytes is simply not signed.
  if (image.size() < 2 || image[0] != 'M' || image[1] != 'Z') return {};
  const pe::CertificateParse certificates = pe::ParseCertificates(image);
  if (certificates.error != pe::ErrorKind::kNone) {
    return {Unreadable(pe::Describe(certificates.error))};
  }
  SignatureReader reader(image, certificates.table);
  for (const pe::CertificateEntry& entry : certificates.table.entries) {
    if (entry.revision == kRevision2 && entry.type == kPkcsSignedData) {
      reader.Read(entry.data, 1);
    } else {
      reader.Add(Unreadable("a certificate table entry that is no Authenticode signature"));
    }
  }
  // What OpenSSL queued about rejected input concerns this file alone.
  ERR_clear_error();
  return std::move(reader).Found();
}

std::string SignatureText(const SignatureFacts& signature) {
  switch (signature.state) {
    case SignatureFacts::State::kUnreadable:
      return "unreadable signature: " + signature.problem;
    case SignatureFacts::State::kSigned:
      break;
  }
  // Trust in the signer would need its chain up to a root and revocation data; neither is here.
  return signature.signatureVerifies
             ? "signed, chain not checked"
             : "signature does not verify with the signer's certificate, chain not checked";
}

std::string SignedDigestText(const SignatureFacts& signature) {
  if (signature.state != SignatureFacts::State::kSigned) return "-";
  return (signature.digestMatches ? "matches (" : "does not match (") + signature.digestAlgorithm +
         ")";
}

bool SignedAndIntact(const SignatureFacts& signature) {
  return signature.state == SignatureFacts::State::kSigned && signature.digestMatches &&
         signature.signatureVerifies;
}

bool AnySignedAndIntact(const std::vector<SignatureFacts>& signatures) {
  return std::any_of(signatures.begin(), signatures.end(),
                     [](const SignatureFacts& s) { return SignedAndIntact(s); });
}

}  // namespace brantel::inspect
