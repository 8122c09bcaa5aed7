! Demo utility program: aligns the fixture on its datum features.
UNITS INCH
STATUS Aligning the fixture
WAIT 1500
REPORT
END
