// Property-list reading on arbitrary bytes, XML or binary (the reader picks by
// the "bplist00" magic). Whatever the bytes, parsing ends with a value or an
// error text, never a crash, an assertion of the library, or a hang. A value
// that was read writes out again in both forms and reads back equal: what the
// platform accepts from a file it can also store.
#include "fuzz/FuzzSupport.h"
#include "platform/foundation/PropertyList.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace {

using platform::Value;

constexpr int64_t kMicrosPerSecond = 1000000;

// XML keeps dates to the second: the second a date falls in.
int64_t wholeSecondMicros(int64_t micros)
{
    int64_t remainder = micros % kMicrosPerSecond;
    return micros - (remainder < 0 ? remainder + kMicrosPerSecond : remainder);
}

// Equality as a round trip can keep it: NaN reads back as NaN (which == would
// call unequal), and through XML a date keeps only its second.
bool sameAfterRoundTrip(const Value& original, const Value& copy, bool throughXml)
{
    if (original.type() != copy.type())
        return false;
    switch (original.type()) {
    case Value::Type::Real: {
        double a = original.doubleValue(), b = copy.doubleValue();
        return (std::isnan(a) && std::isnan(b)) || a == b;
    }
    case Value::Type::Date: {
        int64_t a = original.date()->micros(), b = copy.date()->micros();
        return throughXml ? wholeSecondMicros(a) == b : a == b;
    }
    case Value::Type::Array: {
        const platform::Array& a = *original.array();
        const platform::Array& b = *copy.array();
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (!sameAfterRoundTrip(a[i], b[i], throughXml))
                return false;
        return true;
    }
    case Value::Type::Dict: {
        const platform::Dict& a = *original.dict();
        const platform::Dict& b = *copy.dict();
        if (a.size() != b.size())
            return false;
        for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib)
            if (ia->first != ib->first || !sameAfterRoundTrip(ia->second, ib->second, throughXml))
                return false;
        return true;
    }
    default:
        return original == copy;
    }
}

void checkRoundTrip(const Value& value, bool binary)
{
    const char* form = binary ? "binary" : "XML";
    std::string written = platform::serializePropertyList(value, binary);
    if (written.empty())
        fuzzcheck::fail(std::string("a value that was read does not write as ") + form);
    std::string error;
    std::optional<Value> reread = platform::parsePropertyList(written, &error);
    if (!reread)
        fuzzcheck::fail(std::string("the ") + form + " written from a value that was read does not read back: " + error);
    if (!sameAfterRoundTrip(value, *reread, !binary))
        fuzzcheck::fail(std::string("a value written as ") + form + " reads back different:\n  read:    " +
                        value.description() + "\n  re-read: " + reread->description());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzcheck::silenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    std::optional<Value> value = platform::parsePropertyList(bytes, &error);
    if (!value) {
        fuzzcheck::require(!error.empty(), "a refused property list comes without a reason");
        return 0;
    }
    // A root that is a keyed-archive reference carries nothing to store.
    if (value->isNone())
        return 0;
    checkRoundTrip(*value, false);
    checkRoundTrip(*value, true);
    return 0;
}
