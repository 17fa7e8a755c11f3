@echo off
rem Checks a Cabrillo log as the contest's robot will: drop the log (or
rem several) on this file. The findings stay on the screen until a key is
rem pressed.
setlocal
if "%~1"=="" goto usage
set status=0
:next
echo ==== %~nx1
"%~dp0yodx.exe" lint "%~1" --cty "%~dp0cty.dat"
if errorlevel 1 set status=1
echo.
shift
if not "%~1"=="" goto next
pause
exit /b %status%

:usage
echo Drop a Cabrillo log (.cbr or .log) on lint.cmd to check it before you send it.
echo.
pause
exit /b 2
