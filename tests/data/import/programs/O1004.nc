%
O1004 (PRÜFTEIL Ø40)
(Begin Search Data)
(Stock: Messing Ã˜ 40)
(Tags: Prüfteil,Ø40)
(Größe: 12)
(ToolCount: 40000)
(Approved: 1)
(End Search Data)
M30
%
