! A program left with a breakpoint (the "*"): it stops there as cancelled
! unless the station clears the breakpoints first (ClearBreaks = ON).
UNITS MM
STATUS Checking the root
* WAIT 200
REPORT
END
