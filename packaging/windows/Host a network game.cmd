@echo off
rem Hosts a network game: the router is asked to open the port, and the
rem waiting screen says where the other player can join.
cd /d "%~dp0"
rallyton.exe --host %*
