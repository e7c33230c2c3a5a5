// The second res of a video item, the program converted for TVs: written after the file for MPEG programs, which
// DLNA TVs play, and before it for AVI programs, which many no longer do.
#include "upnp/DidlLite.h"

#include "core/MediaType.h"

#include <gtest/gtest.h>

namespace tarnvale {
namespace {

TEST(DidlConverted, TheConvertedStreamIsASecondResInTheOrderTvsNeed) {
    const std::string info =
        "http-get:*:video/mpeg:DLNA.ORG_PN=AVC_TS_MP_SD_AAC_MULT5_ISO;DLNA.ORG_OP=10;DLNA.ORG_CI=1";
    struct Row {
        std::int32_t type;
        const char* converted;
        std::vector<std::string> resUrls; // in document order
    };
    const Row rows[] = {
        {MEDIA_MPEG1,
         "http://h/converted/1/0123456789abcdef.ts",
         {"http://h/programs/1", "http://h/converted/1/0123456789abcdef.ts"}},
        {MEDIA_MPEG2,
         "http://h/converted/1/0123456789abcdef.ts",
         {"http://h/programs/1", "http://h/converted/1/0123456789abcdef.ts"}},
        {MEDIA_AVI,
         "http://h/converted/1/0123456789abcdef.ts",
         {"http://h/converted/1/0123456789abcdef.ts", "http://h/programs/1"}},
        // Without conversion (a build that has none, or a file that cannot be looked at), the file alone.
        {MEDIA_AVI, "", {"http://h/programs/1"}},
        {MEDIA_MP3, "", {"http://h/programs/1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(MediaTypeText(row.type)) + " " + row.converted);
        DidlWriter didl;
        didl.Add(DidlItem{1, "0", "a & b", row.type, 1000, "http://h/programs/1", nullptr, row.converted, info});
        const std::string document = didl.Finish();
        std::vector<std::string> urls;
        for (std::size_t at = document.find("<res "); at != std::string::npos; at = document.find("<res ", at + 1)) {
            const std::size_t text = document.find('>', at) + 1;
            urls.push_back(document.substr(text, document.find("</res>", text) - text));
            const std::string element = document.substr(at, text - at);
            if (urls.back() == row.converted) {
                EXPECT_NE(element.find("DLNA.ORG_OP=10;DLNA.ORG_CI=1"), std::string::npos) << element;
                EXPECT_EQ(element.find("size="), std::string::npos) << "a stream made as it is sent has no size";
            } else {
                EXPECT_NE(element.find("size=\"1000\""), std::string::npos) << element;
            }
        }
        EXPECT_EQ(urls, row.resUrls) << document;
        EXPECT_NE(document.find("</res></item>"), std::string::npos);
    }
}

} // namespace
} // namespace tarnvale
