// The HTTP reply reader, fed in pieces of a size the input chooses.
#include "FuzzCommon.h"
#include "platform/linux/HttpWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int step = 1 + data[0] % 64;
    const QByteArray wire = fuzzBytes(data + 1, size - 1);
    HttpReplyReader reader(data[0] & 0x80 ? "HEAD" : "POST", 1 << 20);
    for (qsizetype i = 0; i < wire.size() && reader.state() == HttpReplyReader::State::Incomplete; i += step)
        reader.feed(wire.mid(i, step));
    reader.close();
    (void)reader.reusable();
    (void)reader.keepAliveTimeout();
    return 0;
}
