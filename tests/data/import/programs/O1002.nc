O1002
; turning program
begin search data
Material: 42CrMo4
ToolCount: 2.5
Weight: heavy
Spindle: 2400
()
Setup: dropped one-line value
Start Note
Line: Face first.
Line: Check runout < 0.02
LINE: Deburr
End Note
Approved: no
END SEARCH DATA
Weight: 99
G0 X100. Z5.
M30
