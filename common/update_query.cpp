#include "common/update_query.h"

#include "common/product.h"

namespace UpdateQuery {

int CheckForUpdate()
{
    return CheckForUpdateAt(Http::ParseEndpoint(Product::kVendorHost));
}

int CheckForUpdateAt(const Http::Endpoint& endpoint)
{
    try {
        // A session of its own: nothing of an earlier request (cookies) goes with it.
        Http::Session session(Product::kUserAgent);
        Http::MemorySink reply(kBodyLimit);
        const Http::Result result = session.Get(endpoint, {Product::kUpdateQueryPath, L"", false}, reply);
        // A redirect or an error status is no answer, whatever its body says.
        if (!result.Succeeded())
            return NoAnswer;
        return ReadUpdateAnswer(reply.Body());
    } catch (...) {
        return NoAnswer;
    }
}

int ReadUpdateAnswer(std::string_view body)
{
    constexpr std::string_view tokens[] = {"KORVEL|0", "KORVEL|1", "KORVEL|2"};
    for (int answer = UpToDate; answer <= ManualUpdateOnly; ++answer) {
        if (body.find(tokens[answer]) != std::string_view::npos)
            return answer;
    }
    return NoAnswer;
}

} // namespace UpdateQuery
