#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "camera/linux/UvcDeviceIo.h"

namespace kestrovane::testing {

// Video nodes that open as scripted and record every query with the bytes
// that it carried out; a GET answers with `reply`.
class FakeUvcDeviceIo final : public linux_camera::UvcDeviceIo {
public:
    struct Query {
        std::string node;
        unsigned long request;
        uvc_xu_control_query fields;
        std::vector<uint8_t> sent;
    };

    int Open(const std::string& nodePath) override {
        if (auto error = openErrors.find(nodePath); error != openErrors.end())
            return -error->second;
        const int descriptor = nextDescriptor++;
        open[descriptor] = nodePath;
        return descriptor;
    }

    int Ioctl(int descriptor, unsigned long request, uvc_xu_control_query& query) override {
        EXPECT_TRUE(open.count(descriptor)) << "query on a closed descriptor";
        queries.push_back({open[descriptor], request, query,
                           std::vector<uint8_t>(query.data, query.data + query.size)});
        if (ioctlError) return -ioctlError;
        if (query.query == 0x81) std::memcpy(query.data, reply.data(), query.size);
        return 0;
    }

    void Close(int descriptor) override {
        EXPECT_EQ(open.erase(descriptor), 1u) << "descriptor closed twice or never opened";
    }

    std::map<std::string, int> openErrors;  // node -> errno
    int ioctlError = 0;
    std::vector<uint8_t> reply{0, 0, 0};
    std::map<int, std::string> open;
    std::vector<Query> queries;
    int nextDescriptor = 10;
};

}  // namespace kestrovane::testing
