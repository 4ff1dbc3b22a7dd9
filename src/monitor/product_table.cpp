// The product table: one row per watched product, in the order of the check cycle.
#include "monitor/product_table.h"

namespace lumeno {

const std::array<ProductRow, kProductCount> ProductTable = {{
    {1, ControlId::q3, "Qorvi3 TD版", ControlId::bq3, "qorvi3td", "Qorvi3 TD版 开放购买!",
     "Qorvi3 TD版 关闭购买!"},
    {2, ControlId::q2s, "Qorvi2S", ControlId::bq2, "qorvi2s", "Qorvi2s 开放购买!",
     "Qorvi2s 关闭购买!"},
    {3, ControlId::ks, "Kessa", ControlId::bks, "kessa", "Kessa 开放购买!", "Kessa 关闭购买!"},
    {4, ControlId::dy, "电源", ControlId::bdy, "dianyuan", "电源 开放购买!", "电源 关闭购买!"},
    {5, ControlId::hz, "盒子", ControlId::bhz, "hezi", "Qorvi盒子 开放购买!",
     "Qorvi盒子 关闭购买!"},
}};

}  // namespace lumeno
