#include "engine/JobRecord.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

// The wizard and the engine share this layout byte for byte.
TEST(JobRecordTest, LayoutAndMessageNumbers)
{
    EXPECT_EQ(sizeof(_WIN7_OPERAT_INFO), 5u * 260 * 2 + 2);
    EXPECT_EQ(offsetof(_WIN7_OPERAT_INFO, szDriverPath), 520u);
    EXPECT_EQ(offsetof(_WIN7_OPERAT_INFO, szImgDriverPath), 1040u);
    EXPECT_EQ(offsetof(_WIN7_OPERAT_INFO, szTagPath), 1560u);
    EXPECT_EQ(offsetof(_WIN7_OPERAT_INFO, szTmpPath), 2080u);
    EXPECT_EQ(offsetof(_WIN7_OPERAT_INFO, bIs64bitDVD), 2600u);
    EXPECT_EQ(offsetof(_WIN7_OPERAT_INFO, m_DlgType), 2601u);
    EXPECT_EQ(WM_STEP_PROGRESS, 1104u);
    EXPECT_EQ(WM_WIM_IMAGE_COUNT, 1105u);
}

} // namespace
