@echo off
rem Draws the weekend of a log: drop the log on this file. The page is
rem written beside the log, as LOGNAME-report.html, and opens in the default
rem browser.
setlocal
if "%~1"=="" goto usage
set "page=%~dpn1-report.html"
"%~dp0yodx.exe" report "%~1" --cty "%~dp0cty.dat" --html "%page%" >nul
if errorlevel 1 goto failed
start "" "%page%"
exit /b 0

:failed
echo.
echo The report of %~nx1 could not be made; the reason is above.
pause
exit /b 1

:usage
echo Drop a log (Cabrillo .cbr or .log, or ADIF .adi) on report.cmd to see your weekend.
echo.
pause
exit /b 2
