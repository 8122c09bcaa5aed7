! Fixture alignment, as a fixture program would do it
UNITS INCH
STATUS Loading probe
LOADPROBE PROBE1
STATUS Aligning the fixture
ALIGN fixture plane
WAIT 500
ALIGN fixture line
WAIT 500
ALIGN fixture origin
WAIT 300
VARIABLE ZVAUTO
REPORT
END
