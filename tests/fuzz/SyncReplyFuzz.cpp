// The word-list reply of the service (/v1/prefs), read and normalised as a fetch stores it.
#include "FuzzCommon.h"
#include "recognition/PrefsSync.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const HttpResponse response = HttpResponse::reply(data[0] & 1 ? 200 : 404, fuzzBytes(data + 1, size - 1));
    if (const auto remote = PrefsSync::parseReply(response)) (void)PrefsSync::parseServerDate(remote->updatedAt);
    const QString text = QString::fromUtf8(response.body);
    (void)PrefsSync::normalizedVocabulary(text);
    (void)PrefsSync::normalizedCorrections(text);
    return 0;
}
