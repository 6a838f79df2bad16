-- The login vexaDB uses unless a credentials file names another one
-- (see docs/odbc.md). The built-in password is known to everyone who has
-- the program: prefer a role of your own with a credentials file.
-- Run as a superuser, then create the database owned by the role:
--   createdb -O vexauser vexadb00000

CREATE ROLE vexauser LOGIN PASSWORD 'lumirakasteb';
