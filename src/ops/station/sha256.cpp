#include "ops/station/sha256.h"

#include <openssl/evp.h>

std::string Sha256Hex(std::string_view data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(data.data(), data.size(), digest, &size, EVP_sha256(), nullptr);
    static const char* const kHex = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < size; ++i) {
        out.push_back(kHex[digest[i] >> 4]);
        out.push_back(kHex[digest[i] & 15]);
    }
    return out;
}
