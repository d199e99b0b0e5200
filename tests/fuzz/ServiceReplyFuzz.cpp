// A transcription or cleanup reply from the service, with a status the input chooses.
#include "FuzzCommon.h"
#include "recognition/Transcriber.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const int statuses[] = {200, 201, 204, 301, 400, 401, 429, 500, 503, 0};
    const int status = statuses[data[0] % 10];
    const HttpResponse response = HttpResponse::reply(status, fuzzBytes(data + 1, size - 1));
    const auto ignore = [](const Transcriber::Result&) {};
    Transcriber::handleTranscribeReply(response, ignore);
    Transcriber::handleCleanupReply(response, ignore);
    (void)Transcriber::extractText(response.body);
    return 0;
}
