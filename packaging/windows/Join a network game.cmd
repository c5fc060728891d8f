@echo off
rem Joins a network game: the host's address, as its waiting screen shows
rem it, or nothing to find the game hosted on this network.
cd /d "%~dp0"
set "address="
set /p "address=The host's address (nothing: find the game on this network): "
if not defined address goto find
set "address=%address:"=%"
rallyton.exe --join "%address%" %*
goto end
:find
rallyton.exe --join %*
:end
if errorlevel 1 pause
