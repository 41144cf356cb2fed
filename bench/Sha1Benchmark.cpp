// Hashes 64 MiB with CSHA1 and with OpenSSL's SHA-1, alternating runs so that
// both see the same machine state, and prints the throughput of each and their
// ratio (CSHA1 / OpenSSL, from the best run of each).
#include "Sha1/CSHA1.h"

#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace
{

constexpr std::size_t DATA_SIZE = 64U << 20;
constexpr int RUNS = 9;

using Clock = std::chrono::steady_clock;
using Digest = std::vector<unsigned char>;

Digest hashWithCsha1(const std::vector<unsigned char>& data)
{
    CSHA1 sha1;
    sha1.Update(data.data(), static_cast<unsigned int>(data.size()));
    sha1.Final();
    Digest digest(CSHA1::DIGEST_SIZE);
    sha1.GetHash(digest.data());
    return digest;
}

Digest hashWithOpenSsl(const std::vector<unsigned char>& data)
{
    Digest digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    if (context == nullptr || EVP_DigestInit_ex(context, EVP_sha1(), nullptr) != 1 ||
        EVP_DigestUpdate(context, data.data(), data.size()) != 1 ||
        EVP_DigestFinal_ex(context, digest.data(), &length) != 1)
    {
        EVP_MD_CTX_free(context);
        return {};
    }
    EVP_MD_CTX_free(context);
    digest.resize(length);
    return digest;
}

template <typename Hash> double secondsFor(Hash hash, const std::vector<unsigned char>& data, Digest& digest)
{
    const auto start = Clock::now();
    digest = hash(data);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool processorHasSha()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned int eax = 0;
    unsigned int ebx = 0;
    unsigned int ecx = 0;
    unsigned int edx = 0;
    return __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) != 0 && (ebx & bit_SHA) != 0;
#else
    return false;
#endif
}

double mibPerSecond(double seconds)
{
    return static_cast<double>(DATA_SIZE) / (1024.0 * 1024.0) / seconds;
}

} // namespace

int main()
{
    std::vector<unsigned char> data(DATA_SIZE);
    std::mt19937 random(2024);
    std::generate(data.begin(), data.end(), [&random] { return static_cast<unsigned char>(random()); });

    std::vector<double> ours;
    std::vector<double> openSsl;
    Digest ourDigest;
    Digest openSslDigest;
    // One warm-up run of each, then alternate.
    secondsFor(hashWithCsha1, data, ourDigest);
    secondsFor(hashWithOpenSsl, data, openSslDigest);
    for (int run = 0; run < RUNS; ++run)
    {
        ours.push_back(secondsFor(hashWithCsha1, data, ourDigest));
        openSsl.push_back(secondsFor(hashWithOpenSsl, data, openSslDigest));
    }
    if (ourDigest != openSslDigest || ourDigest.size() != CSHA1::DIGEST_SIZE)
    {
        std::fprintf(stderr, "digests differ\n");
        return 1;
    }

    std::sort(ours.begin(), ours.end());
    std::sort(openSsl.begin(), openSsl.end());
    const double ourBest = mibPerSecond(ours.front());
    const double openSslBest = mibPerSecond(openSsl.front());
    const double ourMedian = mibPerSecond(ours[ours.size() / 2]);
    const double openSslMedian = mibPerSecond(openSsl[openSsl.size() / 2]);

    std::printf("SHA-1 over %zu MiB, %d runs each (processor SHA extensions: %s)\n", DATA_SIZE >> 20, RUNS,
                processorHasSha() ? "yes" : "no");
    std::printf("  CSHA1    best %8.1f MiB/s  median %8.1f MiB/s\n", ourBest, ourMedian);
    std::printf("  OpenSSL  best %8.1f MiB/s  median %8.1f MiB/s\n", openSslBest, openSslMedian);
    std::printf("  ratio CSHA1 / OpenSSL: best %.3f  median %.3f\n", ourBest / openSslBest,
                ourMedian / openSslMedian);
    return 0;
}
