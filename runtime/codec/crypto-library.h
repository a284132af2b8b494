// libcrypto's digest entry points, opened with dlopen on the first digest rather than linked
// to the program: linking it costs every start-up thousands of symbol relocations, whether
// the script takes a digest or not. Once opened, the library stays for the process.
#pragma once

#include <openssl/types.h>

#include <cstddef>
#include <optional>

namespace zel::crypto {

struct Library {
    const EVP_MD* (*md5)();
    const EVP_MD* (*sha1)();
    const EVP_MD* (*sha256)();
    const EVP_MD* (*sha384)();
    const EVP_MD* (*sha512)();
    EVP_MD_CTX* (*ctx_new)();
    void (*ctx_free)(EVP_MD_CTX*);
    int (*digest_init)(EVP_MD_CTX*, const EVP_MD*, ENGINE*);
    int (*digest_update)(EVP_MD_CTX*, const void*, std::size_t);
    int (*digest_final)(EVP_MD_CTX*, unsigned char*, unsigned int*);
};

// The library of that file name with every entry found, or nothing (the library is closed
// again when an entry is missing).
std::optional<Library> open(const char* soname);

// The system's libcrypto, opened on the first call; null when it cannot be loaded, which
// the digests report as a failure rather than a value.
const Library* library();

}  // namespace zel::crypto
