// The Encoding Standard's big5 index through ICU's Big5-HKSCS converter. ICU keeps
// some HKSCS characters in the private use area, or maps them one way only, where
// the index has Unicode code points; the mends below restore those.
#include <string>
#include <vector>

#include "encoding/cjk_indexes.hpp"
#include "encoding/index_builder.hpp"

namespace kestrova::encoding {
namespace {

void big5_bytes(std::size_t pointer, std::string& bytes) {
    const std::size_t trail = pointer % 157;
    bytes.push_back(static_cast<char>(0x81 + pointer / 157));
    bytes.push_back(static_cast<char>(trail < 0x3F ? 0x40 + trail : 0x62 + trail));
}

constexpr IndexMend kMends[] = {
    {1008, 0x9F97, 1},  {1016, 0x9F96, 1},  {1099, 0x31C0, 5},  {1105, 0x31C5, 1},
    {1108, 0x31C6, 2},  {1112, 0x31C8, 1},  {1114, 0x31C9, 4},  {1119, 0x31CD, 2},
    {1170, 0x23DA, 2},  {1730, 0x9FA6, 1},  {1772, 0x9FA7, 1},  {1779, 0x9FA8, 1},
    {1812, 0x9FA9, 1},  {1814, 0x9FAA, 1},  {1816, 0x9FAB, 1},  {1821, 0x9FAC, 1},
    {1844, 0x9FAD, 2},  {1847, 0x9FAF, 1},  {1866, 0x9FB2, 1},  {1892, 0x9FB3, 1},
    {2082, 0x7BB8, 1},  {2088, 0x7C06, 1},  {2103, 0x7CCE, 1},  {2114, 0x7DD2, 1},
    {2123, 0x7E1D, 1},  {2148, 0x8005, 1},  {2151, 0x8028, 1},  {2221, 0x83C1, 1},
    {2239, 0x84A8, 1},  {2244, 0x840F, 1},  {2303, 0x89A6, 1},  {2304, 0x89A9, 1},
    {2354, 0x8D77, 1},  {2400, 0x90FD, 1},  {2413, 0x92B9, 1},  {2477, 0x975C, 1},
    {2498, 0x97FF, 1},  {2605, 0x9F16, 1},  {2673, 0x8503, 1},  {2746, 0x5159, 1},
    {2747, 0x515B, 1},  {2748, 0x515D, 2},  {2771, 0x936E, 1},  {2780, 0x7479, 1},
    {2990, 0x6D67, 1},  {3087, 0x799B, 1},  {3259, 0x9097, 1},  {3301, 0x975D, 1},
    {3436, 0x701E, 1},  {3451, 0x5B28, 1},  {4136, 0x7201, 1},  {4138, 0x77D7, 1},
    {4141, 0x7E87, 1},  {4182, 0x99D6, 1},  {4206, 0x91D4, 1},  {4220, 0x60DE, 1},
    {4230, 0x6FB6, 1},  {4241, 0x8F36, 1},  {4258, 0x4FBB, 1},  {4273, 0x71DF, 1},
    {4279, 0x9104, 1},  {4282, 0x9DF0, 1},  {4294, 0x83CF, 1},  {4329, 0x5C10, 1},
    {4330, 0x79E3, 1},  {4349, 0x5A67, 1},  {4419, 0x8F0B, 1},  {4422, 0x7B51, 1},
    {4494, 0x62D0, 1},  {4624, 0x6062, 1},  {4694, 0x75F9, 1},  {4708, 0x6C4A, 1},
    {4742, 0x9B2E, 1},  {4748, 0x9F17, 1},  {4815, 0x50ED, 1},  {4828, 0x5F0C, 1},
    {4902, 0x880F, 1},  {4922, 0x62CE, 1},  {4982, 0x7468, 1},  {4992, 0x7162, 1},
    {4997, 0x7250, 1},  {5432, 0x2400, 32}, {5464, 0x2421, 1},  {10942, 0x5EF4, 1},
    {10946, 0x65E0, 1}, {10948, 0x7676, 1}, {10950, 0x96B6, 1}, {10957, 0x3003, 1},
    {10958, 0x4EDD, 1}, {11204, 0x31CF, 1}, {11210, 0x9FB0, 1}, {11212, 0x9FB1, 1},
    {19028, 0x5029, 1}, {19035, 0x507D, 1}, {19088, 0x5305, 1}, {19096, 0x5344, 1},
    {19112, 0x537F, 1}, {19162, 0x5605, 1}, {19240, 0x5A77, 1}, {19299, 0x5E75, 1},
    {19305, 0x5ED0, 1}, {19326, 0x5F58, 1}, {19355, 0x60A4, 1}, {19398, 0x6490, 1},
    {19439, 0x6674, 1}, {19454, 0x675E, 1}, {19553, 0x6C9C, 1}, {19554, 0x6E1D, 1},
    {19557, 0x6E2F, 1}, {19611, 0x716E, 1}, {19643, 0x732A, 1}, {19672, 0x745C, 1},
    {19697, 0x74E9, 1}, {19748, 0x7809, 1},
};

const std::vector<char32_t>& big5_index() {
    static const std::vector<char32_t> index =
        build_index({"Big5-HKSCS", 126 * 157, big5_bytes, true, kMends});
    return index;
}

}  // namespace

char32_t big5_code_point(std::size_t pointer) {
    return index_lookup(big5_index(), pointer);
}

}  // namespace kestrova::encoding
