-- The bookkeeping database, schema version 4: allocation numbers of tax invoices.
--
-- A tax invoice or invoice-receipt to a licensed dealer whose amount before VAT reaches the
-- threshold in force on its date needs an allocation number from the Tax Authority, or the
-- customer cannot deduct its VAT.

-- The threshold periods: an amount (before VAT, in shekels) holds from its start date until the
-- next period starts; before the first period no document needs a number. Shared by all
-- businesses, like VATRates. These are the law's periods, so every database gets them here,
-- with or without sample data.
CREATE TABLE AllocationThresholds (
    iAllocationThresholdsID INTEGER PRIMARY KEY AUTOINCREMENT,
    curThreshold            CURRENCY NOT NULL,
    datStartDate            DATETIME NOT NULL UNIQUE
);

INSERT INTO AllocationThresholds (curThreshold, datStartDate) VALUES
    (25000, '2024-05-05 00:00:00'),
    (20000, '2025-01-01 00:00:00'),
    (10000, '2026-01-01 00:00:00'),
    (5000,  '2026-06-01 00:00:00');

-- The nine-digit number itself, on the two kinds that are tax invoices; NULL while there is none.
ALTER TABLE UsysInvoices ADD COLUMN vcAllocationNumber VARCHAR(9);
ALTER TABLE InvoicesKabala ADD COLUMN vcAllocationNumber VARCHAR(9);
