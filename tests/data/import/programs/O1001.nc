%
O1001 (FLANGE OP10)
(Begin Search Data)
(Stock: 1.4301 X5CrNi18-10)
(OrderNo: 48213)
(ToolCount: 7)
(CycleTime: 12.5)
(Weight: 2.375)
(Released: 2024-03-15 14:30)
(Approved: Yes)
(Tags: flange, stainless,op10)
(Setup: Clamp on jaws: soft)
(End Search Data)
G21 G90 G40
T1 M06 (FACE MILL D63)
S1200 M03
G0 X-40. Y0.
G1 X40. F300.
M30
%
