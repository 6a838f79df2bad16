-- The login vexaDB uses unless a credentials file names another one
-- (see docs/odbc.md). The built-in password is known to everyone who has
-- the program: prefer a login of your own with a credentials file.
-- Run in the master database, then the USER part in the vexaDB database.

CREATE LOGIN vexauser WITH PASSWORD = 'lumirakasteb', CHECK_POLICY = OFF;
GO
-- In the database named by SQLDB:
CREATE USER vexauser FOR LOGIN vexauser;
GRANT EXECUTE ON dbo.vexa_updateTable TO vexauser;
GRANT SELECT, INSERT, DELETE ON dbo.vexa_ledger TO vexauser;
GO
